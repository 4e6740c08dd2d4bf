#include "form1.h"

#include "buttoncode.h"
#include "form2.h"
#include "form3.h"
#include "form4.h"
#include "forms.h"
#include "lazymenubar.h"
#include "messagebox.h"
#include "networkwindows.h"
#include "picturebox.h"
#include "pictures.h"
#include "ui_form1.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QShortcutEvent>
#include <QStyle>
#include <QWindow>
#include <algorithm>

namespace quorvane {

namespace {

CheckBoxState checkBoxState(Qt::CheckState state)
{
    switch (state) {
    case Qt::Unchecked:
        return CheckBoxState::Unticked;
    case Qt::PartiallyChecked:
        return CheckBoxState::Greyed;
    case Qt::Checked:
        return CheckBoxState::Ticked;
    }
    return CheckBoxState::Unticked;
}

} // namespace

Form1::Form1(QWidget* parent) : Form(parent), m_ui(std::make_unique<Ui::Form1>())
{
    m_ui->setupUi(this);
    // The menu bar's stand-in gives way to the real bar when the bar is first used.
    connect(m_ui->menuBar, &LazyMenuBar::barMade, this, [this](QMenuBar* bar) {
        m_menuBar = bar;
        m_ui->menuBar = nullptr;
        bar->installEventFilter(this);
    });
    layout()->setMenuBar(m_ui->menuBar);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(naturalSize());
    setWindowIcon(embeddedIcon(QStringLiteral("padlock")));

    m_ui->Picture1->setPixmap(embeddedPicture(QStringLiteral("banner")));
    const auto pictures = images();
    for (int k = 1; k <= 8; ++k) {
        pictureBox(k)->setPicture(embeddedPicture(QStringLiteral("preset%1").arg(k)));
        pictures[k - 1]->installEventFilter(this);
    }
    // Space or Enter on a picture's box chooses it as a click on the picture does.
    const std::array<void (Form1::*)(), 8> clicks = imageClicks();
    for (int k = 1; k <= 8; ++k) {
        PictureBox* box = pictureBox(k);
        box->setChosen(k == 1);
        connect(box, &PictureBox::clicked, this, clicks[k - 1]);
    }
    // Long captions read from their start, as a caption should.
    for (QLineEdit* box : findChildren<QLineEdit*>()) {
        box->setCursorPosition(0);
    }
    m_ui->Text5->setFocus();

    connect(m_ui->Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(m_ui->Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(m_ui->Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(m_ui->Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    // The menus are made when the menu bar is first pressed or reached by the keyboard,
    // before it opens one; their commands' shortcuts work from the start.
    addActions({m_ui->actionRead, m_ui->actionPaymentLink, m_ui->actionPaymentLinks, m_ui->actionSiteMove,
                m_ui->actionExit, m_ui->actionAbout});
    // A title activated some other way before its menu is made (assistive technology)
    // opens its menu too.
    for (QAction* title : {m_ui->menuButton, m_ui->menuHelp}) {
        connect(title, &QAction::triggered, this, [this, title] {
            if (!title->menu()) {
                makeMenus();
                menuBar()->setActiveAction(title);
            }
        });
    }

    // The menu's commands are the buttons' own.
    connect(m_ui->actionRead, &QAction::triggered, this, [] { forms().form4.get()->bringBack(); });
    connect(m_ui->actionPaymentLink, &QAction::triggered, this, [] {
        if (NetworkWindows* windows = networkWindows()) {
            windows->showPaymentLinkWindow();
        }
    });
    connect(m_ui->actionPaymentLinks, &QAction::triggered, this, [] {
        if (NetworkWindows* windows = networkWindows()) {
            windows->showPaymentLinksWindow();
        }
    });
    connect(m_ui->actionSiteMove, &QAction::triggered, this, [] {
        if (NetworkWindows* windows = networkWindows()) {
            windows->showSiteMoveWindow();
        }
    });
    connect(m_ui->actionExit, &QAction::triggered, this, &Form1::Command3_Click);
    connect(m_ui->actionAbout, &QAction::triggered, this, &Form1::Command4_Click);
    Form_Load();
    windowHandle()->installEventFilter(this);
}

Form1::~Form1() = default;

// Centred when first shown only: a window restored from minimized stays where it
// was. On a screen too small for it, the window takes the room there is, frame and
// title bar included, and its form scrolls.
void Form1::showEvent(QShowEvent* event)
{
    if (!m_placed && screen()) {
        m_placed = true;
        fitToScreen(knownFrameMargins());
    }
    Form::showEvent(event);
}

// The desktop frames the window only once it is shown, by the time it shows it; the
// first time its frame is known the window is placed again, for that frame.
void Form1::checkFrameFits()
{
    if (!m_placed || m_frameKnown) {
        return;
    }
    const QMargins frame = knownFrameMargins();
    if (!frame.isNull()) {
        m_frameKnown = true;
        fitToScreen(frame);
    }
}

void Form1::makeMenus()
{
    QMenuBar* bar = menuBar();
    auto* button = new QMenu(m_ui->menuButton->text(), bar);
    button->addActions(
        {m_ui->actionRead, m_ui->actionPaymentLink, m_ui->actionPaymentLinks, m_ui->actionSiteMove});
    button->addSeparator();
    button->addAction(m_ui->actionExit);
    m_ui->menuButton->setMenu(button);
    auto* help = new QMenu(m_ui->menuHelp->text(), bar);
    help->addAction(m_ui->actionAbout);
    m_ui->menuHelp->setMenu(help);
    for (QMenu* menu : {button, help}) {
        Skin1.apply(menu->winId());
    }
}

// A form taller or wider than the screen scrolls; one that fits needs no scroll area.
void Form1::makeScroller()
{
    if (m_scroller) {
        return;
    }
    m_scroller = new QScrollArea(this);
    m_scroller->setObjectName(QStringLiteral("formScroller"));
    m_scroller->setFocusPolicy(Qt::NoFocus);
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setAlignment(Qt::AlignLeading | Qt::AlignLeft | Qt::AlignTop);
    delete layout()->replaceWidget(m_ui->formArea, m_scroller);
    m_scroller->setWidget(m_ui->formArea);
    Skin1.apply(winId());
    // Whatever takes the focus is scrolled into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && m_ui->formArea->isAncestorOf(now)) {
            m_scroller->ensureWidgetVisible(now);
        }
    });
}

QMenuBar* Form1::menuBar()
{
    return m_menuBar ? m_menuBar : m_ui->menuBar->bar();
}

QMargins Form1::knownFrameMargins() const
{
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

QSize Form1::naturalSize() const
{
    return {m_ui->formArea->width(), layout()->menuBar()->sizeHint().height() + m_ui->formArea->height()};
}

// Centres the window, framed by `frame`, in the screen's free area. Until the
// desktop's frame is known, room is kept for a title bar a little taller than two
// lines of the window's text and for edges of a few pixels.
void Form1::fitToScreen(const QMargins& frame)
{
    const int line = fontMetrics().height();
    const QMargins reserve =
        frame.isNull() ? QMargins(line / 3, 2 * line + line / 3, line / 3, line / 3) : frame;
    const QRect area = screen()->availableGeometry();
    const QSize room = area.size().shrunkBy(reserve);
    QSize size = naturalSize();
    if (size.height() > room.height() || size.width() > room.width()) {
        makeScroller();
    }
    // A scroll bar in one direction takes room from the other.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroller);
    if (size.height() > room.height()) {
        size.rwidth() += bar;
    }
    if (size.width() > room.width()) {
        size.rheight() += bar;
    }
    setFixedSize(size.boundedTo(room));
    QRect outer(QPoint(), this->size().grownBy(frame));
    outer.moveCenter(area.center());
    const QPoint corner(std::max(outer.left(), area.left() + reserve.left() - frame.left()),
                        std::max(outer.top(), area.top() + reserve.top() - frame.top()));
    if (frame.isNull()) {
        move(corner);
    } else {
        windowHandle()->setFramePosition(corner);
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose) {
        checkFrameFits();
    }
    const QEvent::Type type = event->type();
    if (watched == m_menuBar && !m_ui->menuButton->menu() &&
        (type == QEvent::Shortcut || type == QEvent::MouseButtonPress || type == QEvent::KeyPress)) {
        makeMenus();
        // Giving the titles their menus renews the menu bar's mnemonics, so the one
        // pressed would be lost: its menu opens here.
        if (type == QEvent::Shortcut) {
            const QKeySequence pressed = static_cast<QShortcutEvent*>(event)->key();
            for (QAction* title : m_menuBar->actions()) {
                if (QKeySequence::mnemonic(title->text()) == pressed) {
                    m_menuBar->setActiveAction(title);
                    return true;
                }
            }
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const std::array<void (Form1::*)(), 8> clicks = imageClicks();
        const auto* release = static_cast<QMouseEvent*>(event);
        const auto pictures = images();
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            if (watched == pictures[i] && release->button() == Qt::LeftButton &&
                pictures[i]->rect().contains(release->position().toPoint())) {
                (this->*clicks[i])();
                return true;
            }
        }
    }
    return Form::eventFilter(watched, event);
}

void Form1::Form_Load()
{
    ImageChosen1 = true;
    ImageChosen2 = false;
    ImageChosen3 = false;
    ImageChosen4 = false;
    ImageChosen5 = false;
    ImageChosen6 = false;
    ImageChosen7 = false;
    ImageChosen8 = false;
    Skin1.apply(winId());
}

void Form1::Image1_Click()
{
    choosePicture(1);
}

void Form1::Image2_Click()
{
    choosePicture(2);
}

void Form1::Image3_Click()
{
    choosePicture(3);
}

void Form1::Image4_Click()
{
    choosePicture(4);
}

void Form1::Image5_Click()
{
    choosePicture(5);
}

void Form1::Image6_Click()
{
    choosePicture(6);
}

void Form1::Image7_Click()
{
    choosePicture(7);
}

void Form1::Image8_Click()
{
    choosePicture(8);
}

void Form1::Command1_Click()
{
    // A step that fails ends the handler, so the code window never shows an earlier
    // code as if it were the new one.
    try {
        const ButtonCodeResult result = GenerateButtonCode(buttonRequest());
        const auto* code = std::get_if<ButtonCode>(&result);
        if (!code) {
            showWhatToFix(result);
            return;
        }
        Form2* codeWindow = forms().form2.get();
        codeWindow->setCode(QString::fromStdString(code->text));
        codeWindow->bringBack();
    } catch (...) {
        // An open code window holds an earlier code: closed, it cannot be copied.
        forms().form2.unload();
        MsgBox(QStringLiteral("Error: The code could not be generated. Please try again."),
               MessageStyle::Critical, QStringLiteral("Error"));
    }
}

ButtonRequest Form1::buttonRequest() const
{
    ButtonRequest request;
    request.ItemName = m_ui->Text1->text().toStdString();
    request.ItemNumber = m_ui->Text2->text().toStdString();
    request.Amount = m_ui->Text3->text().toStdString();
    request.ReturnUrl = m_ui->Text4->text().toStdString();
    request.Account = m_ui->Text5->text().toStdString();
    request.CancelUrl = m_ui->Text6->text().toStdString();
    request.OwnImageUrl = m_ui->Text7->text().toStdString();
    request.NoteTitle = m_ui->Text8->text().toStdString();
    request.CollectShipping = checkBoxState(m_ui->Check1->checkState());
    request.AllowQuantity = checkBoxState(m_ui->Check2->checkState());
    request.AllowNote = checkBoxState(m_ui->Check3->checkState());
    request.UsePresetImage = m_ui->Option1->isChecked();
    request.UseOwnImage = m_ui->Option2->isChecked();
    request.ChosenImage = chosenPicture();
    return request;
}

void Form1::setEntries(const ButtonRequest& request)
{
    const auto checkState = [](CheckBoxState state) {
        return state == CheckBoxState::Ticked ? Qt::Checked : Qt::Unchecked;
    };
    m_ui->Text1->setText(QString::fromStdString(request.ItemName));
    m_ui->Text2->setText(QString::fromStdString(request.ItemNumber));
    m_ui->Text3->setText(QString::fromStdString(request.Amount));
    m_ui->Text4->setText(QString::fromStdString(request.ReturnUrl));
    m_ui->Text5->setText(QString::fromStdString(request.Account));
    m_ui->Text6->setText(QString::fromStdString(request.CancelUrl));
    m_ui->Text7->setText(QString::fromStdString(request.OwnImageUrl));
    m_ui->Text8->setText(QString::fromStdString(request.NoteTitle));
    for (QLineEdit* box : {m_ui->Text1, m_ui->Text2, m_ui->Text3, m_ui->Text4, m_ui->Text5, m_ui->Text6,
                           m_ui->Text7, m_ui->Text8}) {
        box->setCursorPosition(0);
    }
    m_ui->Check1->setCheckState(checkState(request.CollectShipping));
    m_ui->Check2->setCheckState(checkState(request.AllowQuantity));
    m_ui->Check3->setCheckState(checkState(request.AllowNote));
    (request.UseOwnImage ? m_ui->Option2 : m_ui->Option1)->setChecked(true);
    choosePicture(request.ChosenImage);
}

void Form1::focusEntry(Entry entry)
{
    bringBack();
    entryBox(entry)->setFocus();
}

void Form1::Command2_Click()
{
    m_ui->Text1->setText(QString());
    m_ui->Text2->setText(QString());
    m_ui->Text3->setText(QString());
    m_ui->Text4->setText(QString());
    m_ui->Text5->setText(QString());
    m_ui->Text6->setText(QString());
    m_ui->Text7->setText(QStringLiteral("http://"));
    m_ui->Text8->setText(QString());
    Image1_Click();
}

void Form1::Command3_Click()
{
    forms().form1.unload();
    forms().form2.unload();
    forms().form3.unload();
    forms().form4.unload();
    if (NetworkWindows* windows = loadedNetworkWindows()) {
        windows->unloadWindows();
    }
    QCoreApplication::exit(0);
}

void Form1::Command4_Click()
{
    forms().form3.get()->bringBack();
}

void Form1::showWhatToFix(const ButtonCodeResult& result)
{
    const auto* refused = std::get_if<Refused>(&result);
    const std::string text =
        refused ? refusalMessageText(refused->problems) : std::string(IncompleteMessageText);
    const std::string_view title = refused ? RefusedMessageTitle : IncompleteMessageTitle;
    MsgBox(QString::fromStdString(text), MessageStyle::Plain, QString::fromUtf8(title.data(), title.size()));
    // After the box, so the seller can type the fix at once.
    entryBox(refused ? refused->problems.front().entry : std::get<Incomplete>(result).entry)->setFocus();
}

QLineEdit* Form1::entryBox(Entry entry) const
{
    switch (entry) {
    case Entry::Account:
        return m_ui->Text5;
    case Entry::ItemName:
        return m_ui->Text1;
    case Entry::ItemNumber:
        return m_ui->Text2;
    case Entry::Amount:
        return m_ui->Text3;
    case Entry::ReturnUrl:
        return m_ui->Text4;
    case Entry::CancelUrl:
        return m_ui->Text6;
    case Entry::OwnImageUrl:
        return m_ui->Text7;
    case Entry::NoteTitle:
        break;
    }
    return m_ui->Text8;
}

void Form1::choosePicture(int k)
{
    for (int i = 1; i <= 8; ++i) {
        pictureBox(i)->setChosen(i == k);
    }
    ImageChosen1 = k == 1;
    ImageChosen2 = k == 2;
    ImageChosen3 = k == 3;
    ImageChosen4 = k == 4;
    ImageChosen5 = k == 5;
    ImageChosen6 = k == 6;
    ImageChosen7 = k == 7;
    ImageChosen8 = k == 8;
}

int Form1::chosenPicture() const
{
    const std::array<bool, 8> flags = {ImageChosen1, ImageChosen2, ImageChosen3, ImageChosen4,
                                       ImageChosen5, ImageChosen6, ImageChosen7, ImageChosen8};
    for (int k = 1; k <= 8; ++k) {
        if (flags[k - 1]) {
            return k;
        }
    }
    return 0;
}

std::array<QLabel*, 8> Form1::images() const
{
    return {m_ui->Image1, m_ui->Image2, m_ui->Image3, m_ui->Image4,
            m_ui->Image5, m_ui->Image6, m_ui->Image7, m_ui->Image8};
}

PictureBox* Form1::pictureBox(int k) const
{
    const std::array<PictureBox*, 8> boxes = {m_ui->Picture2, m_ui->Picture3, m_ui->Picture9, m_ui->Picture8,
                                              m_ui->Picture5, m_ui->Picture7, m_ui->Picture4, m_ui->Picture6};
    return boxes[k - 1];
}

std::array<void (Form1::*)(), 8> Form1::imageClicks()
{
    return {&Form1::Image1_Click, &Form1::Image2_Click, &Form1::Image3_Click, &Form1::Image4_Click,
            &Form1::Image5_Click, &Form1::Image6_Click, &Form1::Image7_Click, &Form1::Image8_Click};
}

} // namespace quorvane
