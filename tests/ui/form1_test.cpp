#include "buttoncode.h"
#include "codebox.h"
#include "deferredicons.h"
#include "dormantaccessibility.h"
#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "form4.h"
#include "form5.h"
#include "form6.h"
#include "form8.h"
#include "forms.h"
#include "lazymenubar.h"
#include "messagebox.h"
#include "messagerecorder.h"
#include "networkforms.h"
#include "pictures.h"
#include "windows.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>

// While armed, this program refuses any single allocation of this many bytes or more,
// as a machine short of memory would; the tool must survive a Generate that runs out.
std::atomic<std::size_t> refusedAllocationSize{0};

void* operator new(std::size_t size)
{
    const std::size_t refused = refusedAllocationSize.load();
    if (refused != 0 && size >= refused) {
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// The eight inputs Text1..Text8, in that order.
using Entries = std::array<QString, 8>;

Entries completeEntries()
{
    return {QStringLiteral("Blue widget"),
            QStringLiteral("W-42"),
            QStringLiteral("9.99"),
            QStringLiteral("https://shop.example/thanks"),
            QStringLiteral("seller@shop.example"),
            QStringLiteral("https://shop.example/cancelled"),
            QStringLiteral("http://"),
            QStringLiteral("Gift message")};
}

struct Choices
{
    CheckBoxState collectShipping = CheckBoxState::Unticked;
    CheckBoxState allowQuantity = CheckBoxState::Unticked;
    CheckBoxState allowNote = CheckBoxState::Unticked;
    bool usePreset = true;
    bool useOwn = false;
    int picture = 1;
};

// What the generator makes of these entries, built without the window.
std::string expectedCode(const Entries& entries, const Choices& choices = {})
{
    ButtonRequest request;
    request.ItemName = entries[0].toStdString();
    request.ItemNumber = entries[1].toStdString();
    request.Amount = entries[2].toStdString();
    request.ReturnUrl = entries[3].toStdString();
    request.Account = entries[4].toStdString();
    request.CancelUrl = entries[5].toStdString();
    request.OwnImageUrl = entries[6].toStdString();
    request.NoteTitle = entries[7].toStdString();
    request.CollectShipping = choices.collectShipping;
    request.AllowQuantity = choices.allowQuantity;
    request.AllowNote = choices.allowNote;
    request.UsePresetImage = choices.usePreset;
    request.UseOwnImage = choices.useOwn;
    request.ChosenImage = choices.picture;
    const ButtonCodeResult result = GenerateButtonCode(request);
    const auto* code = std::get_if<ButtonCode>(&result);
    return code ? code->text : std::string();
}

QLineEdit* textBox(QWidget* form, int n)
{
    return control<QLineEdit>(form, QStringLiteral("Text%1").arg(n));
}

QLabel* image(QWidget* form, int k)
{
    return control<QLabel>(form, QStringLiteral("Image%1").arg(k));
}

QPushButton* button(QWidget* form, int n)
{
    return control<QPushButton>(form, QStringLiteral("Command%1").arg(n));
}

void fill(Form1* form, const Entries& entries)
{
    for (int n = 1; n <= 8; ++n) {
        textBox(form, n)->setText(entries[n - 1]);
    }
}

// A menu bar made as the window's own is, with the stand-in's titles and look.
std::unique_ptr<QMenuBar> barLike(LazyMenuBar* standIn)
{
    auto bar = std::make_unique<QMenuBar>();
    bar->setStyle(standIn->style());
    QFont font = standIn->font();
    font.setResolveMask(QFont::AllPropertiesResolved);
    bar->setFont(font);
    QPalette palette = standIn->palette();
    palette.setResolveMask(~QPalette::ResolveMask(0));
    bar->setPalette(palette);
    bar->setLayoutDirection(standIn->layoutDirection());
    bar->addActions(standIn->actions());
    bar->resize(standIn->size());
    return bar;
}

Form1* shownForm1()
{
    Form1* form = forms().form1.get();
    form->show();
    form->raise();
    form->activateWindow();
    return form;
}

void clickIndicator(QAbstractButton* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    const bool radio = qobject_cast<QRadioButton*>(box) != nullptr;
    const QRect indicator = box->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
}

// WCAG's relative luminance; black on a colour stands out by (luminance + 0.05) / 0.05.
double luminance(QRgb c)
{
    const auto linear = [](int v) { return v <= 10 ? v / 3294.6 : std::pow((v + 14.025) / 269.025, 2.4); };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

// The border a preset picture shows: 1 for a uniform black one-pixel line round the
// unscaled picture, inside its box's frame and focus line, standing out by 3:1 from the
// frame and from every pixel beside it; 0 for the box's background there; -1 otherwise.
int borderOf(QLabel* picture, int k)
{
    const QSize natural = embeddedPicture(QStringLiteral("preset%1").arg(k)).size();
    auto* box = qobject_cast<QFrame*>(picture->parentWidget());
    const QRect ring(picture->pos(), natural + QSize(2, 2));
    const QRect inside = ring.adjusted(1, 1, -1, -1);
    if (picture->pixmap().size() != natural || picture->geometry() != ring ||
        !box->contentsRect().adjusted(1, 1, -1, -1).contains(ring)) {
        return -1;
    }
    const QImage shot = box->grab().toImage();
    const QRgb line = shot.pixel(ring.topLeft());
    const bool bare = line == box->palette().color(box->backgroundRole()).rgb();
    for (int y = ring.top(); y <= ring.bottom(); ++y) {
        for (int x = ring.left(); x <= ring.right(); ++x) {
            if (inside.contains(x, y)) {
                continue;
            }
            if (shot.pixel(x, y) != line) {
                return -1;
            }
            for (const QPoint beside :
                 {QPoint(x + 1, y), QPoint(x - 1, y), QPoint(x, y + 1), QPoint(x, y - 1)}) {
                if (!bare && (!ring.contains(beside) || inside.contains(beside)) &&
                    luminance(shot.pixel(beside)) < 0.1) {
                    return -1;
                }
            }
        }
    }
    return bare ? 0 : line == qRgb(0, 0, 0) && luminance(shot.pixel(0, 0)) >= 0.1 ? 1 : -1;
}

QList<int> borders(Form1* form)
{
    QList<int> result;
    for (int k = 1; k <= 8; ++k) {
        result.append(borderOf(image(form, k), k));
    }
    return result;
}

QList<int> onlyBordered(int k)
{
    QList<int> result(8, 0);
    result[k - 1] = 1;
    return result;
}

// Generates with the main window's button and copies with the code window's, the
// way a seller does; returns the clipboard's text.
QString generateAndCopy(Form1* form, MessageRecorder& recorder)
{
    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    if (!forms().form2.isLoaded()) {
        return QStringLiteral("<no code window>");
    }
    QGuiApplication::clipboard()->clear();
    const std::size_t before = recorder.boxes.size();
    QTest::mouseClick(button(forms().form2.get(), 1), Qt::LeftButton);
    if (recorder.boxes.size() != before + 1 || recorder.boxes.back().title != QStringLiteral("Set!")) {
        return QStringLiteral("<no confirmation>");
    }
    return QGuiApplication::clipboard()->text();
}

QByteArray bytes(const std::string& text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

int loadedCodeWindows()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<Form2*>(widget)) {
            ++count;
        }
    }
    return count;
}

// Counts every event that reaches a code or about window while it lives.
class SecondaryWindowWatch : public QObject
{
public:
    SecondaryWindowWatch() { qApp->installEventFilter(this); }
    ~SecondaryWindowWatch() override { qApp->removeEventFilter(this); }

    int events = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (qobject_cast<Form2*>(watched) || qobject_cast<Form3*>(watched)) {
            ++events;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class Form1Test : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void windowIsFixedWithCaptionIconAndCloseButtonOnly();
    void startsWithTheInitialEntries();
    void startsWithTheFirstPictureChosenAndFocusInTheAccountBox();
    void controlsAreInTheirContainersAtTheirPlaces();
    void picturesAreUnscaledInBorderedBoxes();
    void flatLockedAndUnlimitedControls();
    void accessibleNamesAreTheCaptions();
    void tabOrderFollowsTheForm();
    void noDefaultOrCancelButton();
    void keyboardChoosesAPictureAndPressesGenerate();

    void eachPictureClickMovesTheBorderAndTheChoice();
    void clickingTheChosenPictureChangesNothing();
    void pictureClickLeavesTheOwnPictureOptionSelected();
    void restartResetsTextsAndPictureOnly();
    void checkBoxesAreTwoStateForTheUser();
    void checkStatesReachTheGenerator_data();
    void checkStatesReachTheGenerator();

    void incompleteFormShowsOneErrorAndNoCodeWindow();
    void refusalNamesEveryProblemAndFocusesTheFirst_data();
    void refusalNamesEveryProblemAndFocusesTheFirst();
    void failedGenerateClosesTheCodeWindowAndSaysSo();
    void twoGenerationsShareOneCodeWindow();
    void clipboardHoldsTheGeneratorsCode_data();
    void clipboardHoldsTheGeneratorsCode();
    void textLongerThanLineEditDefaultReachesTheClipboard();
    void typingIntoCaptionBoxesChangesNothingProduced();

    void menuOpensOneWindowOfEachKind();
    void menuBarStandInLooksAndMeasuresAsTheBar_data();
    void menuBarStandInLooksAndMeasuresAsTheBar();
    void missingNetworkModuleIsOneBoxAndGenerateWorks();
    void rarePicturesAreReadWhenFirstDrawn();
    void readingAButtonCodeFillsTheForm_data();
    void readingAButtonCodeFillsTheForm();
    void aboutShowsOneAboutWindow();
    void minimizedWindowsComeBackAndTheMainWindowStaysPut();
    void titleBarCloseUnloadsTheMainWindowAlone();
    void exitEndsTheToolWithoutLoadingOtherWindows_data();
    void exitEndsTheToolWithoutLoadingOtherWindows();
    void exitUnloadsOpenWindows();
};

void Form1Test::cleanup()
{
    forms().form1.unload();
    forms().form2.unload();
    forms().form3.unload();
    forms().form4.unload();
    networkForms().form5.unload();
    networkForms().form6.unload();
    networkForms().form8.unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!forms().form1.isLoaded());
    QVERIFY(!forms().form2.isLoaded());
    QVERIFY(!forms().form3.isLoaded());
}

void Form1Test::windowIsFixedWithCaptionIconAndCloseButtonOnly()
{
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QCOMPARE(form->windowTitle(), QStringLiteral("Quorvane"));
    // The form keeps its size; the menu bar stands above it. On a screen the form fits,
    // it needs no scroll area.
    auto* menuBar = control<LazyMenuBar>(form, "menuBar");
    QVERIFY(menuBar && !form->findChild<QMenuBar*>());
    QCOMPARE(menuBar->height(), barLike(menuBar)->sizeHint().height());
    QCOMPARE(control<QWidget>(form, "formArea")->geometry(), QRect(0, menuBar->height(), 478, 562));
    QVERIFY(!control<QWidget>(form, "formScroller"));
    QCOMPARE(form->size(), QSize(478, 562 + menuBar->height()));
    QCOMPARE(form->minimumSize(), form->size());
    QCOMPARE(form->maximumSize(), form->size());
    const Qt::WindowFlags flags = form->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!form->windowIcon().isNull());
    QCOMPARE(form->windowIcon().pixmap(32).toImage(),
             embeddedIcon(QStringLiteral("padlock")).pixmap(32).toImage());
    const QRect screen = form->screen()->availableGeometry();
    QVERIFY(qAbs(form->frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(form->frameGeometry().center().y() - screen.center().y()) <= 1);
}

void Form1Test::startsWithTheInitialEntries()
{
    Form1* form = forms().form1.get();
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(textBox(form, n)->text(), n == 7 ? QStringLiteral("http://") : QString());
    }
    const QList<QPair<int, QString>> captions = {
        {9, QStringLiteral("Your Paypal Account:")},
        {10, QStringLiteral("Item Name / Service:")},
        {11, QStringLiteral("Item ID / Number:")},
        {12, QStringLiteral("Price of Item / Service:")},
        {13, QStringLiteral("These are the URLs where the customer is sent after a succesful or cancelled "
                            "purchase.")},
        {14, QStringLiteral("Cancelled URL:")},
        {15, QStringLiteral("Success URL:")},
        {16, QStringLiteral("Note Title:")},
    };
    for (const auto& [n, caption] : captions) {
        QCOMPARE(textBox(form, n)->text(), caption);
        QCOMPARE(textBox(form, n)->cursorPosition(), 0);
    }
    QCOMPARE(control<QGroupBox>(form, "Frame1")->title(), QStringLiteral("Item Details (Optional)"));
    QCOMPARE(control<QGroupBox>(form, "Frame2")->title(), QStringLiteral("Return Urls"));
    QCOMPARE(control<QGroupBox>(form, "Frame3")->title(), QStringLiteral("Website Button"));
    QCOMPARE(control<QGroupBox>(form, "Frame4")->title(), QStringLiteral("Other"));

    auto* option1 = control<QRadioButton>(form, "Option1");
    auto* option2 = control<QRadioButton>(form, "Option2");
    QCOMPARE(option1->text(), QStringLiteral("Choose a button to put on your website (Click the button)"));
    QCOMPARE(option2->text(),
             QStringLiteral("OR use your own image, Just enter the exact URL to any image on your website"));
    QVERIFY(option1->isChecked());
    QVERIFY(!option2->isChecked());

    const QStringList checks = {
        QStringLiteral("Collect shipping details from the buyers ?"),
        QStringLiteral("Allow buyers to purchase more than one of this item"),
        QStringLiteral("Allow the buyer to include a note with their purchase ?"),
    };
    for (int n = 1; n <= 3; ++n) {
        auto* check = control<QCheckBox>(form, QStringLiteral("Check%1").arg(n));
        QCOMPARE(check->text(), checks[n - 1]);
        QCOMPARE(check->checkState(), Qt::Unchecked);
    }
    QCOMPARE(button(form, 1)->text(), QStringLiteral("Generate The Code !"));
    QCOMPARE(button(form, 2)->text(), QStringLiteral("Restart"));
    QCOMPARE(button(form, 3)->text(), QStringLiteral("Exit"));
    QCOMPARE(button(form, 4)->text(), QStringLiteral("About"));
}

void Form1Test::startsWithTheFirstPictureChosenAndFocusInTheAccountBox()
{
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(QApplication::focusWidget(), textBox(form, 5));
    QCOMPARE(borders(form), onlyBordered(1));

    MessageRecorder recorder;
    const Entries entries = completeEntries();
    fill(form, entries);
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expectedCode(entries)));
}

void Form1Test::controlsAreInTheirContainersAtTheirPlaces()
{
    Form1* form = forms().form1.get();
    const QList<std::tuple<QString, QString, QRect>> places = {
        {"Picture1", "formArea", QRect(104, 8, 321, 49)},
        {"Text5", "formArea", QRect(124, 64, 353, 19)},
        {"Frame1", "formArea", QRect(4, 90, 473, 73)},
        {"Text3", "Frame1", QRect(362, 42, 103, 19)},
        {"Text13", "Frame2", QRect(32, 19, 433, 19)},
        {"Frame3", "formArea", QRect(-4, 264, 481, 171)},
        {"Picture5", "Frame3", QRect(304, 16, 153, 49)},
        {"Picture8", "Frame3", QRect(128, 96, 65, 33)},
        {"Option2", "Frame3", QRect(14, 128, 419, 13)},
        {"Text7", "Frame3", QRect(34, 144, 421, 19)},
        {"Check3", "Frame4", QRect(10, 50, 275, 17)},
        {"Text8", "Frame4", QRect(320, 56, 151, 19)},
        {"Command4", "formArea", QRect(232, 532, 121, 25)},
        {"Command3", "formArea", QRect(352, 532, 113, 25)},
    };
    for (const auto& [name, container, place] : places) {
        auto* widget = form->findChild<QWidget*>(name);
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(widget->parentWidget()->objectName(), container);
        QCOMPARE(widget->geometry(), place);
    }
}

void Form1Test::picturesAreUnscaledInBorderedBoxes()
{
    Form1* form = forms().form1.get();
    const std::array<QString, 8> boxes = {"Picture2", "Picture3", "Picture9", "Picture8",
                                          "Picture5", "Picture7", "Picture4", "Picture6"};
    const std::array<QSize, 8> sizes = {QSize(67, 19),  QSize(67, 35), QSize(59, 27), QSize(59, 27),
                                        QSize(147, 43), QSize(59, 27), QSize(67, 19), QSize(147, 43)};
    for (int k = 1; k <= 8; ++k) {
        QLabel* picture = image(form, k);
        auto* box = control<QFrame>(form, boxes[k - 1]);
        QCOMPARE(picture->parentWidget(), box);
        QCOMPARE(picture->pos(), box->contentsRect().topLeft() + QPoint(1, 1));
        QCOMPARE(picture->pixmap().size(), sizes[k - 1]);
        QCOMPARE(box->grab().toImage().pixel(box->contentsRect().topLeft()),
                 form->palette().color(QPalette::Window).rgb());
        QVERIFY(!picture->hasScaledContents());
        QCOMPARE(box->frameShape(), QFrame::Box);
        QCOMPARE(box->frameShadow(), QFrame::Plain);
        QCOMPARE(box->lineWidth(), 1);
    }
    auto* banner = control<QLabel>(form, "Picture1");
    QCOMPARE(banner->pixmap().size(), QSize(320, 50));
    QCOMPARE(banner->frameShape(), QFrame::Box);
}

void Form1Test::flatLockedAndUnlimitedControls()
{
    Form1* form = forms().form1.get();
    for (QLineEdit* box : form->findChildren<QLineEdit*>()) {
        QCOMPARE(box->property("appearance").toString(), QStringLiteral("flat"));
        QCOMPARE(box->maxLength(), INT_MAX);
        QCOMPARE(box->isReadOnly(), box->objectName() == QStringLiteral("Text13"));
    }
    QCOMPARE(form->findChildren<QLineEdit*>().size(), 16);
    for (QCheckBox* check : form->findChildren<QCheckBox*>()) {
        QCOMPARE(check->property("appearance").toString(), QStringLiteral("flat"));
    }
    for (QFrame* picture : form->findChildren<QFrame*>(QRegularExpression("^(Picture|Image)\\d$"))) {
        QCOMPARE(picture->property("appearance").toString(), QStringLiteral("flat"));
    }
    for (QAbstractButton* threeD :
         form->findChildren<QAbstractButton*>(QRegularExpression("^(Option|Command)"))) {
        QVERIFY(!threeD->property("appearance").isValid());
    }
}

void Form1Test::accessibleNamesAreTheCaptions()
{
    // As the program starts: until assistive technology starts, no control has an
    // interface that answers; then each has its own.
    const DormantAccessibility dormant;
    Form1* form = shownForm1();
    QVERIFY(!QAccessible::queryAccessibleInterface(textBox(form, 5))->isValid());
    QVERIFY(!QAccessible::queryAccessibleInterface(control<QFrame>(form, "Picture2"))->isValid());
    QAccessible::setActive(true);
    const auto asleepAgain = qScopeGuard([] { QAccessible::setActive(false); });
    QCOMPARE(QAccessible::queryAccessibleInterface(form)->role(), QAccessible::Window);
    QCOMPARE(QAccessible::queryAccessibleInterface(textBox(form, 5))->role(), QAccessible::EditableText);
    const QList<QPair<int, int>> inputAndCaption = {{5, 9},  {1, 10}, {2, 11}, {3, 12},
                                                    {4, 15}, {6, 14}, {8, 16}};
    for (const auto& [input, caption] : inputAndCaption) {
        QCOMPARE(textBox(form, input)->accessibleName(), textBox(form, caption)->text());
    }
    // A caption box is named by its own text, never by the group around it.
    for (int caption = 9; caption <= 16; ++caption) {
        QCOMPARE(QAccessible::queryAccessibleInterface(textBox(form, caption))->text(QAccessible::Name),
                 textBox(form, caption)->text());
    }
    QCOMPARE(textBox(form, 7)->accessibleName(), control<QRadioButton>(form, "Option2")->text());
    QCOMPARE(image(form, 1)->accessibleName(), QStringLiteral("a rounded Buy Now button"));
    QCOMPARE(image(form, 7)->accessibleName(), QStringLiteral("a grey square Buy Now button"));
    QSet<QString> names;
    for (int k = 1; k <= 8; ++k) {
        QVERIFY(!image(form, k)->accessibleName().isEmpty());
        names.insert(image(form, k)->accessibleName());
    }
    QCOMPARE(names.size(), 8);

    // Each picture's box is one radio button of eight, named by its picture.
    const std::array<QString, 8> boxes = {"Picture2", "Picture3", "Picture9", "Picture8",
                                          "Picture5", "Picture7", "Picture4", "Picture6"};
    auto checkedBoxes = [&] {
        QList<int> checked;
        for (int k = 1; k <= 8; ++k) {
            QAccessibleInterface* box =
                QAccessible::queryAccessibleInterface(control<QFrame>(form, boxes[k - 1]));
            if (box->state().checked) {
                checked.append(k);
            }
        }
        return checked;
    };
    for (int k = 1; k <= 8; ++k) {
        QAccessibleInterface* box =
            QAccessible::queryAccessibleInterface(control<QFrame>(form, boxes[k - 1]));
        QCOMPARE(box->role(), QAccessible::RadioButton);
        QCOMPARE(box->text(QAccessible::Name), image(form, k)->accessibleName());
        QVERIFY(box->state().checkable);
        QVERIFY(box->state().focusable);
        QVERIFY(box->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    }
    QCOMPARE(checkedBoxes(), QList<int>{1});
    QAccessible::queryAccessibleInterface(control<QFrame>(form, "Picture9"))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(checkedBoxes(), QList<int>{3});
    QCOMPARE(borders(form), onlyBordered(3));
    QTest::mouseClick(image(form, 6), Qt::LeftButton);
    QCOMPARE(checkedBoxes(), QList<int>{6});

    // Every button is named by its caption.
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(QAccessible::queryAccessibleInterface(button(form, n))->text(QAccessible::Name),
                 button(form, n)->text());
    }
}

void Form1Test::tabOrderFollowsTheForm()
{
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form));
    const QStringList order = {"Text5",    "Text1",    "Text2",    "Text3",    "Text4",    "Text6",
                               "Option1",  "Text7",    "Check1",   "Check2",   "Check3",   "Text8",
                               "Command1", "Command2", "Command4", "Command3", "Picture1", "Text9",
                               "Text10",   "Text11",   "Text12",   "Text13",   "Text14",   "Text15",
                               "Picture2", "Picture3", "Picture4", "Picture5", "Picture6", "Picture7",
                               "Picture8", "Picture9", "Text16",   "Text5"};
    QStringList visited = {QApplication::focusWidget()->objectName()};
    for (int step = 1; step < order.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(visited, order);
}

void Form1Test::noDefaultOrCancelButton()
{
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form));
    for (int n = 1; n <= 4; ++n) {
        QVERIFY(!button(form, n)->isDefault());
        QVERIFY(!button(form, n)->autoDefault());
    }
    MessageRecorder recorder;
    fill(form, completeEntries());
    textBox(form, 5)->setFocus();
    QTest::keyClick(textBox(form, 5), Qt::Key_Return);
    QTest::keyClick(textBox(form, 5), Qt::Key_Enter);
    QTest::keyClick(textBox(form, 5), Qt::Key_Escape);
    button(form, 1)->setFocus();
    QTest::keyClick(button(form, 1), Qt::Key_Escape);
    QVERIFY(recorder.boxes.empty());
    QVERIFY(!forms().form2.isLoaded());
    QVERIFY(forms().form1.isLoaded());
    QCOMPARE(textBox(form, 5)->text(), completeEntries()[4]);
}

void Form1Test::keyboardChoosesAPictureAndPressesGenerate()
{
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form));
    MessageRecorder recorder;
    const Entries entries = completeEntries();
    fill(form, entries);
    auto* box = control<QFrame>(form, "Picture5");
    const QImage unfocused = box->grab().toImage();
    for (int step = 0; step < 40 && QApplication::focusWidget() != box; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), box);
    QVERIFY2(box->grab().toImage() != unfocused, "no focus ring on the focused picture box");
    QCOMPARE(borders(form), onlyBordered(1));

    QTest::keyClick(box, Qt::Key_Space);
    QCOMPARE(borders(form), onlyBordered(5));
    button(form, 1)->setFocus();
    QTest::keyClick(button(form, 1), Qt::Key_Return);
    QVERIFY(forms().form2.isLoaded());
    QVERIFY(forms().form2.get()->isVisible());
    QCOMPARE(recorder.boxes.size(), 0u);
    Choices choices;
    choices.picture = 5;
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expectedCode(entries, choices)));

    // Keypad Enter on another box chooses that picture.
    auto* other = control<QFrame>(form, "Picture8");
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(borders(form), onlyBordered(4));
    // The arrow keys (the keypad's too) move the focus round the boxes in reading order.
    const QStringList reading = {"Picture2", "Picture3", "Picture4", "Picture5",
                                 "Picture9", "Picture8", "Picture7", "Picture6"};
    for (const auto& [key, step] : {std::pair(Qt::Key_Right, 1), std::pair(Qt::Key_Down, 1),
                                    std::pair(Qt::Key_Left, -1), std::pair(Qt::Key_Up, -1)}) {
        for (int i = 0; i < 8; ++i) {
            control<QFrame>(form, reading[i])->setFocus();
            QTest::keyClick(QApplication::focusWidget(), key, i % 2 ? Qt::KeypadModifier : Qt::NoModifier);
            QCOMPARE(QApplication::focusWidget()->objectName(), reading[(i + step + 8) % 8]);
        }
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), reading[6]);
    QCOMPARE(borders(form), onlyBordered(4));
}

void Form1Test::eachPictureClickMovesTheBorderAndTheChoice()
{
    Form1* form = shownForm1();
    MessageRecorder recorder;
    const Entries entries = completeEntries();
    fill(form, entries);
    for (int k : {5, 2, 8, 3, 7, 4, 6, 1}) {
        QTest::mouseClick(image(form, k), Qt::LeftButton);
        QCOMPARE(borders(form), onlyBordered(k));
        Choices choices;
        choices.picture = k;
        QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expectedCode(entries, choices)));
    }
}

void Form1Test::clickingTheChosenPictureChangesNothing()
{
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QTest::mouseClick(image(form, 6), Qt::LeftButton);
    const QImage before = form->grab().toImage();
    QTest::mouseClick(image(form, 6), Qt::LeftButton);
    QCOMPARE(form->grab().toImage(), before);
    QCOMPARE(borders(form), onlyBordered(6));
}

void Form1Test::pictureClickLeavesTheOwnPictureOptionSelected()
{
    Form1* form = shownForm1();
    auto* option1 = control<QRadioButton>(form, "Option1");
    auto* option2 = control<QRadioButton>(form, "Option2");
    clickIndicator(option2);
    QVERIFY(option2->isChecked());
    QVERIFY(!option1->isChecked());
    QTest::mouseClick(image(form, 3), Qt::LeftButton);
    QVERIFY(option2->isChecked());
    QVERIFY(!option1->isChecked());
    QCOMPARE(borders(form), onlyBordered(3));

    MessageRecorder recorder;
    Entries entries = completeEntries();
    entries[6] = QStringLiteral("https://shop.example/own.png");
    fill(form, entries);
    Choices choices;
    choices.usePreset = false;
    choices.useOwn = true;
    choices.picture = 3;
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expectedCode(entries, choices)));
}

void Form1Test::restartResetsTextsAndPictureOnly()
{
    Form1* form = shownForm1();
    fill(form, completeEntries());
    for (int n = 9; n <= 16; ++n) {
        if (n != 13) {
            textBox(form, n)->setText(QStringLiteral("typed over"));
        }
    }
    auto* check2 = control<QCheckBox>(form, "Check2");
    auto* option2 = control<QRadioButton>(form, "Option2");
    clickIndicator(check2);
    clickIndicator(option2);
    QTest::mouseClick(image(form, 5), Qt::LeftButton);
    QCOMPARE(borders(form), onlyBordered(5));

    QTest::mouseClick(button(form, 2), Qt::LeftButton);

    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(textBox(form, n)->text(), n == 7 ? QStringLiteral("http://") : QString());
    }
    QCOMPARE(textBox(form, 9)->text(), QStringLiteral("typed over"));
    QCOMPARE(check2->checkState(), Qt::Checked);
    QVERIFY(option2->isChecked());
    QVERIFY(!control<QRadioButton>(form, "Option1")->isChecked());
    QCOMPARE(borders(form), onlyBordered(1));

    // The choice itself is back on the first picture, not only its border.
    MessageRecorder recorder;
    const Entries entries = completeEntries();
    fill(form, entries);
    clickIndicator(control<QRadioButton>(form, "Option1"));
    Choices choices;
    choices.allowQuantity = CheckBoxState::Ticked;
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expectedCode(entries, choices)));
}

void Form1Test::checkBoxesAreTwoStateForTheUser()
{
    Form1* form = shownForm1();
    for (int n = 1; n <= 3; ++n) {
        auto* check = control<QCheckBox>(form, QStringLiteral("Check%1").arg(n));
        QVERIFY(!check->isTristate());
        clickIndicator(check);
        QCOMPARE(check->checkState(), Qt::Checked);
        clickIndicator(check);
        QCOMPARE(check->checkState(), Qt::Unchecked);
    }
}

void Form1Test::checkStatesReachTheGenerator_data()
{
    QTest::addColumn<int>("check");
    QTest::addColumn<Qt::CheckState>("qtState");
    QTest::addColumn<CheckBoxState>("state");
    for (int check = 1; check <= 3; ++check) {
        QTest::addRow("Check%d unticked", check) << check << Qt::Unchecked << CheckBoxState::Unticked;
        QTest::addRow("Check%d greyed", check) << check << Qt::PartiallyChecked << CheckBoxState::Greyed;
        QTest::addRow("Check%d ticked", check) << check << Qt::Checked << CheckBoxState::Ticked;
    }
}

void Form1Test::checkStatesReachTheGenerator()
{
    QFETCH(int, check);
    QFETCH(Qt::CheckState, qtState);
    QFETCH(CheckBoxState, state);
    Form1* form = shownForm1();
    MessageRecorder recorder;
    const Entries entries = completeEntries();
    fill(form, entries);
    control<QCheckBox>(form, QStringLiteral("Check%1").arg(check))->setCheckState(qtState);
    Choices choices;
    (check == 1 ? choices.collectShipping : check == 2 ? choices.allowQuantity : choices.allowNote) = state;
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expectedCode(entries, choices)));
}

void Form1Test::incompleteFormShowsOneErrorAndNoCodeWindow()
{
    Form1* form = shownForm1();
    MessageRecorder recorder;
    Entries entries = completeEntries();
    entries[0].clear();
    entries[4].clear();
    fill(form, entries);
    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    QCOMPARE(recorder.boxes.size(), 1u);
    QCOMPARE(recorder.boxes[0].text,
             QStringLiteral("Error: Please complete the whole form before generating the code"));
    QCOMPARE(recorder.boxes[0].title, QStringLiteral("Error"));
    QCOMPARE(recorder.boxes[0].style, MessageStyle::Plain);
    QCOMPARE(int(recorder.boxes[0].style), 0);
    QVERIFY(!forms().form2.isLoaded());
    QCOMPARE(loadedCodeWindows(), 0);
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(textBox(form, n)->text(), entries[n - 1]);
    }
    // The account box comes first on the window, though the item name is empty too.
    QCOMPARE(form->focusWidget(), textBox(form, 5));

    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    QCOMPARE(recorder.boxes.size(), 2u);
    QVERIFY(!forms().form2.isLoaded());
}

void Form1Test::refusalNamesEveryProblemAndFocusesTheFirst_data()
{
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("focus");
    const QString tooLong(128, QLatin1Char('x'));
    QTest::newRow("account")
        << QList<int>{5} << QStringList{"seller@example,com"}
        << QStringList{"Your Paypal Account: write the e-mail address of your PayPal account, like "
                       "seller@example.com, with no spaces, or its merchant account ID of 13 capital "
                       "letters and digits"}
        << 5;
    QTest::newRow("item name") << QList<int>{1} << QStringList{tooLong}
                               << QStringList{"Item Name / Service: write at most 127 characters"} << 1;
    QTest::newRow("item number") << QList<int>{2} << QStringList{tooLong}
                                 << QStringList{"Item ID / Number: write at most 127 characters"} << 2;
    QTest::newRow("cancelled URL") << QList<int>{6} << QStringList{"shop.example/cancelled"}
                                   << QStringList{QString::fromUtf8(CancelUrlMessage.data(),
                                                                    CancelUrlMessage.size())}
                                   << 6;
    QTest::newRow("own image") << QList<int>{7} << QStringList{"http://"}
                               << QStringList{QString::fromUtf8(OwnImageUrlMessage.data(),
                                                                OwnImageUrlMessage.size())}
                               << 7;
    QTest::newRow("success URL and price")
        << QList<int>{4, 3} << QStringList{"https://shop example/thanks", "12.50 €"}
        << QStringList{"Price of Item / Service: write a number above 0 with a point and at most 2 decimals, like "
                       "12.50, with no thousands separator, symbol or space; a currency code may stand one space "
                       "before or after it, like 12.50 EUR",
                       "Success URL: remove the space after \"https://shop\""}
        << 3;
}

void Form1Test::refusalNamesEveryProblemAndFocusesTheFirst()
{
    QFETCH(QList<int>, boxes);
    QFETCH(QStringList, values);
    QFETCH(QStringList, lines);
    QFETCH(int, focus);
    Form1* form = shownForm1();
    MessageRecorder recorder;
    Entries entries = completeEntries();
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        entries[boxes[i] - 1] = values[i];
    }
    fill(form, entries);
    control<QRadioButton>(form, "Option2")->setChecked(boxes.contains(7));
    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    QCOMPARE(recorder.boxes.size(), 1u);
    QCOMPARE(recorder.boxes[0].text,
             QStringLiteral("Error: PayPal would refuse this button:\n") + lines.join('\n'));
    QCOMPARE(recorder.boxes[0].title, QStringLiteral("Error"));
    QCOMPARE(recorder.boxes[0].style, MessageStyle::Plain);
    QVERIFY(!forms().form2.isLoaded());
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(textBox(form, n)->text(), entries[n - 1]);
    }
    QCOMPARE(form->focusWidget(), textBox(form, focus));
}

void Form1Test::failedGenerateClosesTheCodeWindowAndSaysSo()
{
    Form1* form = shownForm1();
    MessageRecorder recorder;
    Entries entries = completeEntries();
    fill(form, entries);
    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    QVERIFY(forms().form2.isLoaded());

    // A note title whose code needs one block larger than the machine will give.
    constexpr std::size_t noteBytes = 4 * 1024 * 1024;
    entries[7] = QString(noteBytes, QLatin1Char('n'));
    fill(form, entries);
    refusedAllocationSize = 4 * noteBytes;
    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    refusedAllocationSize = 0;

    QCOMPARE(recorder.boxes.size(), 1u);
    QCOMPARE(recorder.boxes[0].style, MessageStyle::Critical);
    QCOMPARE(recorder.boxes[0].title, QStringLiteral("Error"));
    QVERIFY(recorder.boxes[0].text.contains(QStringLiteral("could not be generated")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!forms().form2.isLoaded());
    QCOMPARE(loadedCodeWindows(), 0);
    QCOMPARE(textBox(form, 8)->text().size(), qsizetype(noteBytes));

    // Enough memory again: the next press makes the code as usual.
    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    QVERIFY(forms().form2.isLoaded());
    QCOMPARE(recorder.boxes.size(), 1u);
}

void Form1Test::twoGenerationsShareOneCodeWindow()
{
    Form1* form = shownForm1();
    MessageRecorder recorder;
    Entries first = completeEntries();
    fill(form, first);
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expectedCode(first)));
    Form2* window = forms().form2.get();
    QVERIFY(window->isVisible());

    Entries second = first;
    second[0] = QStringLiteral("Red widget");
    second[2] = QStringLiteral("12.50");
    fill(form, second);
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expectedCode(second)));
    QCOMPARE(forms().form2.get(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(loadedCodeWindows(), 1);
    QVERIFY(bytes(expectedCode(first)) != bytes(expectedCode(second)));
}

void Form1Test::clipboardHoldsTheGeneratorsCode_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("non-ASCII") << QStringLiteral("Café crème – 日本語 Ωμέγα 🎉 naïve");
    QTest::newRow("hostile") << QStringLiteral("\"><script>alert('x')</script>&amp;&#38;<!-- ' \" \\ %00 "
                                               "</form><input name=\"cmd\" value=\"_xclick\">");
}

void Form1Test::clipboardHoldsTheGeneratorsCode()
{
    QFETCH(QString, entry);
    Form1* form = shownForm1();
    MessageRecorder recorder;
    Entries entries = completeEntries();
    entries[0] = entries[1] = entries[7] = entry;
    // An address takes it too, without the spaces and controls no address may hold.
    const QString inAddress = QString(entry).remove(QRegularExpression(QStringLiteral("[\\s\\x00-\\x1f]")));
    entries[3] = QStringLiteral("https://shop.example/thanks?") + inAddress;
    entries[5] = QStringLiteral("https://shop.example/") + inAddress;
    fill(form, entries);
    const std::string expected = expectedCode(entries);
    QVERIFY(!expected.empty());
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expected));
}

void Form1Test::textLongerThanLineEditDefaultReachesTheClipboard()
{
    Form1* form = shownForm1();
    MessageRecorder recorder;
    Entries entries = completeEntries();
    entries[7] = QString(40000, QLatin1Char('n')) + QString(32768, QChar(0x00e9));
    fill(form, entries);
    QCOMPARE(textBox(form, 8)->text().size(), 72768);
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expectedCode(entries)));
}

void Form1Test::typingIntoCaptionBoxesChangesNothingProduced()
{
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form));
    MessageRecorder recorder;
    const Entries entries = completeEntries();
    fill(form, entries);
    const QByteArray before = generateAndCopy(form, recorder).toUtf8();
    QCOMPARE(before, bytes(expectedCode(entries)));

    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    for (int n : {9, 10, 11, 12, 14, 15, 16}) {
        textBox(form, n)->setFocus();
        QTest::keyClicks(textBox(form, n), QStringLiteral("x\"<y>"));
        QVERIFY(textBox(form, n)->text().contains(QStringLiteral("x\"<y>")));
    }
    QTest::keyClicks(textBox(form, 13), QStringLiteral("locked"));
    QVERIFY(!textBox(form, 13)->text().contains(QStringLiteral("locked")));
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), before);
}

// Each menu command is a window of its own, opened once however often it is asked for.
void Form1Test::menuOpensOneWindowOfEachKind()
{
    NetworkWindowsModule linkedIn;
    setNetworkWindows(&linkedIn);
    const auto restore = qScopeGuard([] { setNetworkWindows(nullptr); });
    const auto helpMenuOpened = [](Form1* form) {
        QWidget* popup = QApplication::activePopupWidget();
        const bool opened = popup && popup->actions() == QList({control<QAction>(form, "actionAbout")});
        if (popup) {
            popup->close();
        }
        forms().form1.unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return opened;
    };
    // The menus are made when first opened, by a click, by assistive technology or by
    // Alt+B; the bar itself when first reached: the pointer over it lights the title,
    // Alt alone the first.
    enum class Reach
    {
        Click,
        Hover,
        Alt
    };
    for (const Reach reach : {Reach::Click, Reach::Hover, Reach::Alt}) {
        Form1* form = shownForm1();
        QVERIFY(QTest::qWaitForWindowActive(form) && !form->findChild<QMenuBar*>());
        auto* standIn = control<LazyMenuBar>(form, "menuBar");
        const QRect help = barLike(standIn)->actionGeometry(control<QAction>(form, "menuHelp"));
        if (reach == Reach::Click) {
            QTest::mouseClick(standIn, Qt::LeftButton, {}, help.center());
            QVERIFY(helpMenuOpened(form));
            continue;
        }
        if (reach == Reach::Hover) {
            QTest::mouseMove(standIn, help.center());
        } else {
            QTest::keyClick(form, Qt::Key_Alt);
            QCoreApplication::processEvents();
        }
        auto* menuBar = control<QMenuBar>(form, "menuBar");
        QVERIFY(menuBar && menuBar->isVisible() && !form->findChild<QMenu*>());
        QCOMPARE(menuBar->activeAction(),
                 control<QAction>(form, reach == Reach::Alt ? "menuButton" : "menuHelp"));
        QTest::mouseMove(form, form->rect().center());
        forms().form1.unload();
    }
    // Assistive technology finds the real bar, made as soon as it starts.
    Form1* form = forms().form1.get();
    QVERIFY(!form->findChild<QMenuBar*>());
    QAccessible::setActive(true);
    QAccessible::setActive(false);
    auto* menuBar = control<QMenuBar>(form, "menuBar");
    QVERIFY(menuBar);
    QCOMPARE(menuBar->accessibleName(), QStringLiteral("Menu bar"));
    QCOMPARE(QAccessible::queryAccessibleInterface(menuBar)->role(), QAccessible::MenuBar);
    QStringList menus;
    for (QAction* menu : menuBar->actions()) {
        menus << menu->text();
    }
    QCOMPARE(menus, QStringList({"&Button", "&Help"}));
    shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form) && !form->findChild<QMenu*>());
    QAccessible::queryAccessibleInterface(menuBar)->child(1)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    QVERIFY(helpMenuOpened(form));
    form = shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form) && !form->findChild<QMenu*>());
    QTest::keyClick(form, Qt::Key_B, Qt::AltModifier);
    auto* opened = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(opened);
    QStringList entries;
    for (QAction* entry : opened->actions()) {
        entries << entry->text() + QLatin1Char('\t') + entry->shortcut().toString();
    }
    QCOMPARE(entries, QStringList({"&Read a Button Code…\tCtrl+O", "Make a Payment &Link…\tCtrl+L",
                                   "Your Payment Lin&ks…\tCtrl+K", "&Move Pages to Payment Links…\tCtrl+M",
                                   "\t", "E&xit\tCtrl+Q"}));
    opened->close();
    for (int press = 0; press < 2; ++press) {
        QTest::keyClick(form, Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(form, Qt::Key_L, Qt::ControlModifier);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QTest::keyClick(form, Qt::Key_K, Qt::ControlModifier);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QTest::keyClick(form, Qt::Key_M, Qt::ControlModifier);
        control<QAction>(form, "actionAbout")->trigger();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    QStringList shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        shown << (window->isVisible() ? window->metaObject()->className() : "");
    }
    shown.removeAll("");
    shown.sort();
    QCOMPARE(shown, QStringList({"quorvane::Form1", "quorvane::Form3", "quorvane::Form4", "quorvane::Form5",
                                 "quorvane::Form6", "quorvane::Form8"}));
}

// Until first used the menu bar is a stand-in that draws and measures as a QMenuBar
// with its titles, in the window's style or another.
void Form1Test::menuBarStandInLooksAndMeasuresAsTheBar_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::newRow("the window's") << QString() << Qt::LeftToRight;
    QTest::newRow("Fusion") << QStringLiteral("Fusion") << Qt::LeftToRight;
    QTest::newRow("Windows, right to left") << QStringLiteral("Windows") << Qt::RightToLeft;
}

void Form1Test::menuBarStandInLooksAndMeasuresAsTheBar()
{
    QFETCH(QString, style);
    QFETCH(Qt::LayoutDirection, direction);
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    auto* standIn = control<LazyMenuBar>(form, "menuBar");
    const std::unique_ptr<QStyle> other(QStyleFactory::create(style));
    if (other) {
        standIn->setStyle(other.get());
    }
    standIn->setLayoutDirection(direction);
    const std::unique_ptr<QMenuBar> bar = barLike(standIn);
    QCOMPARE(standIn->sizeHint(), bar->sizeHint());
    QCOMPARE(standIn->minimumSizeHint(), bar->minimumSizeHint());
    QCOMPARE(standIn->heightForWidth(478), bar->heightForWidth(478));
    const QImage drawn = render(standIn);
    QVERIFY(drawn == render(bar.get()));
    // The real bar stands where the stand-in stood, in its look.
    QMenuBar* real = standIn->bar();
    QCOMPARE(real->geometry(), standIn->geometry());
    QVERIFY(drawn == render(real));
}

// Beside this test program there is no network module: Ctrl+L says which file is
// missing, once a press, and the rest of the tool works on.
void Form1Test::missingNetworkModuleIsOneBoxAndGenerateWorks()
{
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form));
    MessageRecorder recorder;
    for (std::size_t press = 1; press <= 2; ++press) {
        QTest::keyClick(form, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(recorder.boxes.size(), press);
        QVERIFY2(recorder.boxes.back().text.contains(networkModulePath()),
                 qPrintable(recorder.boxes.back().text));
        QCOMPARE(recorder.boxes.back().style, MessageStyle::Critical);
    }
    QVERIFY(!loadedNetworkWindows());
    const Entries entries = completeEntries();
    fill(form, entries);
    QCOMPARE(generateAndCopy(form, recorder).toUtf8(), bytes(expectedCode(entries)));
}

// The menu bar's overflow button, hidden unless the window is too narrow for its
// menus, gets its picture when it is first drawn: the same as the desktop style's.
void Form1Test::rarePicturesAreReadWhenFirstDrawn()
{
    const std::unique_ptr<QStyle> desktop(QStyleFactory::create(QStringLiteral("Fusion")));
    DeferredIconStyle deferred(QStyleFactory::create(QStringLiteral("Fusion")));
    for (const auto which : {QStyle::SP_ToolBarHorizontalExtensionButton,
                             QStyle::SP_ToolBarVerticalExtensionButton, QStyle::SP_MessageBoxCritical}) {
        const QIcon want = desktop->standardIcon(which);
        const QIcon got = deferred.standardIcon(which);
        QVERIFY(!want.isNull());
        QCOMPARE(got.availableSizes(), want.availableSizes());
        for (const int size : {8, 16, 32}) {
            QCOMPARE(got.actualSize(QSize(size, size)), want.actualSize(QSize(size, size)));
            QCOMPARE(got.pixmap(size).toImage(), want.pixmap(size).toImage());
        }
    }
}

void Form1Test::readingAButtonCodeFillsTheForm_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("box"); // what the seller is told; nothing when empty
    QTest::addColumn<bool>("filled");
    QTest::newRow("a button with a tax")
        << QStringLiteral("<FORM action='https://www.paypal.com/cgi-bin/webscr'><input type=hidden name=cmd "
                          "value=_xclick><input name=business value=seller@shop.example><input name=tax "
                          "value=1><input type=image src=https://www.paypal.com/images/x-click-but01.gif>")
        << QString::fromStdString(notCarriedMessageText({"tax"})) << true;
    QTest::newRow("no button") << QStringLiteral("<p>Buy now</p>") << QString(NoButtonMessage.data())
                               << false;
    // Held whole and shown in part: its start alone is no button.
    QTest::newRow("a button after a line of 2 MB")
        << QStringLiteral(
               "<p title='%1'></p><form action=//www.paypal.com/cgi-bin/webscr><input type=hidden "
               "name=cmd value=_xclick><input name=business value=seller@shop.example><input name=tax><input "
               "type=image src=https://www.paypal.com/images/x-click-but01.gif>")
               .arg(QString(2 << 20, QLatin1Char('x')))
        << QString::fromStdString(notCarriedMessageText({"tax"})) << true;
}

// Ctrl+O opens the reader; Ctrl+Return reads the pasted code into the form, which
// then holds nothing of what stood there before, or says why it cannot. (The real
// window test reads back a code of the tool's own.)
void Form1Test::readingAButtonCodeFillsTheForm()
{
    QFETCH(QString, code);
    QFETCH(QString, box);
    QFETCH(bool, filled);
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form));
    fill(form, {"Old", "O-1", "1", "https://old.example/ok", "old@old.example", "https://old.example/no",
                "https://old.example/own.png", "Old note"});
    clickIndicator(control<QCheckBox>(form, "Check2"));
    const ButtonRequest before = form->buttonRequest();
    MessageRecorder recorder;
    QTest::keyClick(textBox(form, 5), Qt::Key_O, Qt::ControlModifier);
    QVERIFY(forms().form4.isLoaded());
    Form4* reader = forms().form4.get();
    QVERIFY(QTest::qWaitForWindowActive(reader));
    auto* paste = control<QPlainTextEdit>(reader, "txtCode");
    QCOMPARE(QApplication::focusWidget(), paste);
    QApplication::clipboard()->setText(code);
    QTest::keyClick(paste, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(paste->toPlainText() == code, code.size() < CodeBox::HeldFrom);
    QTest::keyClick(paste, Qt::Key_Return, Qt::ControlModifier);
    QTRY_VERIFY(!forms().form4.isLoaded() || !recorder.boxes.empty());

    QCOMPARE(recorder.boxes.size(), box.isEmpty() ? 0u : 1u);
    if (!box.isEmpty()) {
        QCOMPARE(recorder.boxes[0].text, box);
    }
    QCOMPARE(forms().form4.isLoaded(), !filled);
    if (!filled) {
        QCOMPARE(paste->toPlainText(), code);
        QVERIFY(form->buttonRequest() == before);
        QTest::keyClick(paste, Qt::Key_Escape);
        QVERIFY(!forms().form4.isLoaded());
        return;
    }
    QCOMPARE(control<QCheckBox>(form, "Check2")->checkState(), Qt::Unchecked);
    QCOMPARE(textBox(form, 5)->text(), QStringLiteral("seller@shop.example"));
    QCOMPARE(textBox(form, 1)->text(), QString());
    QCOMPARE(textBox(form, 7)->text(), QStringLiteral("http://"));
    QCOMPARE(borders(form), onlyBordered(6));
}

void Form1Test::aboutShowsOneAboutWindow()
{
    Form1* form = shownForm1();
    QTest::mouseClick(button(form, 4), Qt::LeftButton);
    QVERIFY(forms().form3.isLoaded());
    Form3* about = forms().form3.get();
    QVERIFY(about->isVisible());
    QVERIFY(!about->parentWidget());
    QTest::mouseClick(button(form, 4), Qt::LeftButton);
    QCOMPARE(forms().form3.get(), about);
    int aboutWindows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        aboutWindows += qobject_cast<Form3*>(widget) ? 1 : 0;
    }
    QCOMPARE(aboutWindows, 1);
    QVERIFY(!forms().form2.isLoaded());
}

void Form1Test::minimizedWindowsComeBackAndTheMainWindowStaysPut()
{
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form));
    MessageRecorder recorder;
    fill(form, completeEntries());
    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    QTest::mouseClick(button(form, 4), Qt::LeftButton);
    Form2* code = forms().form2.get();
    Form3* about = forms().form3.get();
    for (Form* window : std::initializer_list<Form*>{code, about}) {
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->showMinimized();
        QVERIFY(window->isMinimized());
    }

    // Where the seller put the main window, there it stays when shown again.
    const QPoint moved = form->pos() + QPoint(37, -23);
    form->move(moved);
    form->hide();
    form->show();
    QCOMPARE(form->pos(), moved);

    textBox(form, 1)->setText(QStringLiteral("Red widget"));
    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    QCOMPARE(forms().form2.get(), code);
    QVERIFY(!code->isMinimized());
    QVERIFY(code->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(code));
    QVERIFY(about->isMinimized());

    QTest::mouseClick(button(form, 4), Qt::LeftButton);
    QCOMPARE(forms().form3.get(), about);
    QVERIFY(!about->isMinimized());
    QVERIFY(about->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(about));
    QCOMPARE(recorder.boxes.size(), 0u);
}

void Form1Test::titleBarCloseUnloadsTheMainWindowAlone()
{
    Form1* form = shownForm1();
    MessageRecorder recorder;
    fill(form, completeEntries());
    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    QTest::mouseClick(button(form, 4), Qt::LeftButton);
    QVERIFY(forms().form2.isLoaded());
    QVERIFY(forms().form3.isLoaded());

    QVERIFY(form->close());
    QVERIFY(!forms().form1.isLoaded());
    QVERIFY(forms().form2.get()->isVisible());
    QVERIFY(forms().form3.get()->isVisible());
}

namespace {

// Presses "Exit" inside a running event loop and returns the loop's exit status
// (1 if Exit did not end it within five seconds). Closing the last window would end
// the loop by itself, so only Exit may end it here.
// Exit by its button, or by the menu's Ctrl+Q when `keys` is set.
int pressExitInRunningTool(Form1* form, bool keys = false)
{
    QApplication::setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, form, [form, keys] {
        if (keys) {
            QTest::keyClick(textBox(form, 5), Qt::Key_Q, Qt::ControlModifier);
        } else {
            QTest::mouseClick(button(form, 3), Qt::LeftButton);
        }
    });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    const int status = QCoreApplication::exec();
    QApplication::setQuitOnLastWindowClosed(true);
    return status;
}

} // namespace

void Form1Test::exitEndsTheToolWithoutLoadingOtherWindows_data()
{
    QTest::addColumn<bool>("keys");
    QTest::newRow("Exit button") << false;
    QTest::newRow("Ctrl+Q in the menu") << true;
}

void Form1Test::exitEndsTheToolWithoutLoadingOtherWindows()
{
    QFETCH(bool, keys);
    Form1* form = shownForm1();
    QVERIFY(QTest::qWaitForWindowActive(form));
    SecondaryWindowWatch watch;
    QCOMPARE(pressExitInRunningTool(form, keys), 0);
    QVERIFY(!forms().form1.isLoaded());
    QVERIFY(!forms().form2.isLoaded());
    QVERIFY(!forms().form3.isLoaded());
    QCOMPARE(watch.events, 0);
}

void Form1Test::exitUnloadsOpenWindows()
{
    Form1* form = shownForm1();
    MessageRecorder recorder;
    fill(form, completeEntries());
    QTest::mouseClick(button(form, 1), Qt::LeftButton);
    QTest::mouseClick(button(form, 4), Qt::LeftButton);
    QVERIFY(forms().form2.isLoaded());
    QVERIFY(forms().form3.isLoaded());
    QCOMPARE(pressExitInRunningTool(form), 0);
    QVERIFY(!forms().form1.isLoaded());
    QVERIFY(!forms().form2.isLoaded());
    QVERIFY(!forms().form3.isLoaded());
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
