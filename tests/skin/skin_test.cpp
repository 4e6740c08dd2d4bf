#include "skin.h"
#include "windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>

using quorvane::Skin;
using quorvane::testing::render;

namespace {

double channel(int value)
{
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour)
{
    return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) +
           0.0722 * channel(colour.blue());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What a region of a rendered widget shows: its most frequent colour is the
// background, the pixel farthest from it in contrast is the ink of its text.
struct Ink
{
    QColor background;
    QColor text;
    double ratio = 1.0;
};

Ink inkIn(const QImage& image, const QRect& region)
{
    QHash<QRgb, int> counts;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            ++counts[image.pixel(x, y) | 0xFF000000u];
    Ink ink;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            ink.background = QColor(it.key());
        }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const double ratio = contrast(QColor(it.key()), ink.background);
        if (ratio > ink.ratio) {
            ink.ratio = ratio;
            ink.text = QColor(it.key());
        }
    }
    return ink;
}

// Where the text of a widget is painted, in the widget's own pixels.
enum class Region
{
    Whole,
    InsideEdge,
    BesideIndicator,
    FrameTitle,
    Selection
};

QRect textRegion(QWidget* widget, Region region)
{
    switch (region) {
    case Region::Whole:
        return widget->rect();
    case Region::InsideEdge:
        return widget->rect().adjusted(4, 4, -4, -4);
    case Region::BesideIndicator: {
        const int left = widget->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget) +
                         widget->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widget);
        return widget->rect().adjusted(left + 1, 0, 0, 0);
    }
    case Region::Selection: {
        // The selection ends at the cursor, which selectAll() leaves at the end.
        const auto* box = static_cast<QLineEdit*>(widget);
        const int width = box->fontMetrics().horizontalAdvance(box->selectedText());
        const int end = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        return QRect(end - width + 1, 5, width - 2, box->height() - 10);
    }
    case Region::FrameTitle: {
        const auto* box = static_cast<QGroupBox*>(widget);
        const QFontMetrics metrics = box->fontMetrics();
        return QRect(12, 1, metrics.horizontalAdvance(box->title()), metrics.height() - 2);
    }
    }
    return {};
}

// One window with one control of each kind the tool's windows use.
struct SampleWindow
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();

    template <typename Control>
    Control* add(const char* name, const QRect& geometry, QWidget* parent = nullptr)
    {
        auto* control = new Control(parent != nullptr ? parent : window.get());
        control->setObjectName(QString::fromLatin1(name));
        control->setGeometry(geometry);
        return control;
    }

    SampleWindow()
    {
        window->resize(520, 340);
        add<QLabel>("label", {10, 10, 150, 20})->setText("Your PayPal account:");
        add<QLineEdit>("edit", {170, 10, 200, 21})->setText("seller@example.com");
        auto* flat = add<QLineEdit>("flatEdit", {170, 36, 200, 21});
        flat->setText("Flat box");
        flat->setProperty("appearance", "flat");
        add<QLineEdit>("placeholder", {170, 62, 200, 21})->setPlaceholderText("placeholder text");
        auto* readOnly = add<QLineEdit>("readOnlyEdit", {170, 88, 200, 21});
        readOnly->setText("https://example.com/");
        readOnly->setReadOnly(true);
        auto* selected = add<QLineEdit>("selectedEdit", {170, 114, 0, 21});
        selected->setText("Selected");
        selected->resize(selected->fontMetrics().horizontalAdvance(selected->text()) + 10, 21);
        selected->selectAll();
        auto* selectedReadOnly = add<QLineEdit>("selectedReadOnly", {390, 62, 0, 21});
        selectedReadOnly->setText("Selected");
        selectedReadOnly->setReadOnly(true);
        selectedReadOnly->resize(selected->size());
        selectedReadOnly->selectAll();
        auto* frame = add<QGroupBox>("frame", {10, 145, 250, 130});
        frame->setTitle("Buyer options");
        add<QCheckBox>("check", {10, 22, 230, 20}, frame)->setText("Ask for a shipping address");
        auto* flatCheck = add<QCheckBox>("flatCheck", {10, 44, 230, 20}, frame);
        flatCheck->setText("Ask for a note");
        flatCheck->setProperty("appearance", "flat");
        add<QRadioButton>("option", {10, 66, 110, 20}, frame)->setText("Option one");
        add<QRadioButton>("otherOption", {120, 66, 110, 20}, frame)->setText("Option two");
        auto* disabledCheck = add<QCheckBox>("disabledCheck", {10, 88, 110, 20}, frame);
        disabledCheck->setText("Disabled");
        disabledCheck->setEnabled(false);
        add<QLabel>("frameLabel", {10, 108, 200, 20}, frame)->setText("Label in a frame");
        add<QPushButton>("button", {280, 150, 150, 27})->setText("Generate The Code !");
        auto* flatButton = add<QPushButton>("flatButton", {280, 185, 150, 27});
        flatButton->setText("Flat button");
        flatButton->setProperty("appearance", "flat");
        auto* disabledButton = add<QPushButton>("disabledButton", {280, 220, 150, 27});
        disabledButton->setText("Disabled");
        disabledButton->setEnabled(false);
        auto* disabledLabel = add<QLabel>("disabledLabel", {390, 10, 120, 20});
        disabledLabel->setText("Disabled label");
        disabledLabel->setEnabled(false);
        auto* disabledEdit = add<QLineEdit>("disabledEdit", {390, 36, 120, 21});
        disabledEdit->setText("Disabled");
        disabledEdit->setEnabled(false);
        add<QPlainTextEdit>("code", {10, 285, 250, 45})->setPlainText("<form action=...>");
        auto* readOnlyCode = add<QPlainTextEdit>("readOnlyCode", {270, 285, 240, 45});
        readOnlyCode->setPlainText("Read-only lines");
        readOnlyCode->setReadOnly(true);
        add<QLabel>("pictureBySheet", {440, 150, 32, 32})
            ->setStyleSheet("background-color: rgb(192, 192, 255)");
        auto* byPalette = add<QLabel>("pictureByPalette", {476, 150, 32, 32});
        QPalette light = byPalette->palette();
        light.setColor(QPalette::Window, QColor(192, 192, 255));
        byPalette->setPalette(light);
        byPalette->setAutoFillBackground(true);
        add<QLabel>("pictureByWindowSheet", {440, 186, 32, 32});
    }

    template <typename Control = QWidget> Control* child(const char* name) const
    {
        return window->findChild<Control*>(QString::fromLatin1(name));
    }

    void skin() const { Skin().apply(window->winId()); }

    bool show() const
    {
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    // The controls this window placed, not the toolkit's own parts of them.
    QList<QWidget*> controls() const
    {
        QList<QWidget*> result;
        for (QWidget* widget : window->findChildren<QWidget*>())
            if (!widget->objectName().isEmpty() && !widget->objectName().startsWith("qt_"))
                result.append(widget);
        return result;
    }

    QHash<QWidget*, QRect> geometries() const
    {
        QHash<QWidget*, QRect> result;
        for (QWidget* widget : controls())
            result.insert(widget, widget->geometry());
        return result;
    }
};

QColor centreOf(QWidget* widget)
{
    const QImage image = render(widget);
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// The part of a control the style draws, as it looks in a given state, on the
// colour the control stands on.
enum class Part
{
    PushButton,
    CheckBox,
    RadioButton,
    LineEdit,
    ScrollAreaFrame,
    FocusRect
};

QImage drawPart(QWidget* widget, Part part, QStyle::State state, const QColor& ground)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    image.fill(ground);
    QPainter painter(&image);
    const QStyle* style = widget->style();
    const auto withState = [&](QStyleOption& option) {
        option.initFrom(widget);
        option.state = (option.state & ~(QStyle::State_HasFocus | QStyle::State_MouseOver)) | state;
    };
    switch (part) {
    case Part::PushButton:
    case Part::CheckBox:
    case Part::RadioButton: {
        QStyleOptionButton option;
        withState(option);
        option.text = static_cast<QAbstractButton*>(widget)->text();
        const auto element = part == Part::PushButton ? QStyle::CE_PushButton
                             : part == Part::CheckBox ? QStyle::CE_CheckBox
                                                      : QStyle::CE_RadioButton;
        style->drawControl(element, &option, &painter, widget);
        break;
    }
    case Part::LineEdit:
    case Part::ScrollAreaFrame: {
        QStyleOptionFrame option;
        withState(option);
        option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, widget);
        option.frameShape = QFrame::StyledPanel;
        style->drawPrimitive(part == Part::LineEdit ? QStyle::PE_PanelLineEdit : QStyle::PE_Frame, &option,
                             &painter, widget);
        break;
    }
    case Part::FocusRect:
        if (state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect option;
            withState(option);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, widget);
        }
        break;
    }
    return image;
}

} // namespace

Q_DECLARE_METATYPE(Region)
Q_DECLARE_METATYPE(Part)

class SkinTest : public QObject
{
    Q_OBJECT

private slots:
    void everyTextIsReadable_data();
    void everyTextIsReadable();
    void looksComeFromTheSkinColours();
    void focusStandsOutAndDiffersFromHover_data();
    void focusStandsOutAndDiffersFromHover();
    void flatControlsHaveOneSingleLine();
    void indicatorsStayVisibleAndClickable();
    void controlsKeepTheirGeometry();
    void windowFlagsAreLeftAlone();
    void applyingTwiceChangesNothing();
    void ownBackgroundsWin();
    void controlsAddedAfterAPolishAreSkinned();
    void unknownHandlesAreIgnored();
};

void SkinTest::everyTextIsReadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Region>("region");
    QTest::addColumn<QPalette::ColorGroup>("group");
    QTest::addColumn<QPalette::ColorRole>("textRole");
    QTest::addColumn<QPalette::ColorRole>("backgroundRole");

    const auto a = QPalette::Active;
    const auto d = QPalette::Disabled;
    QTest::addRow("label") << "label" << Region::Whole << a << QPalette::WindowText << QPalette::Window;
    QTest::addRow("label in a frame")
        << "frameLabel" << Region::Whole << a << QPalette::WindowText << QPalette::Window;
    QTest::addRow("frame title") << "frame" << Region::FrameTitle << a << QPalette::NoRole
                                 << QPalette::NoRole;
    QTest::addRow("check box") << "check" << Region::BesideIndicator << a << QPalette::WindowText
                               << QPalette::Window;
    QTest::addRow("flat check box") << "flatCheck" << Region::BesideIndicator << a << QPalette::WindowText
                                    << QPalette::Window;
    QTest::addRow("option button") << "option" << Region::BesideIndicator << a << QPalette::WindowText
                                   << QPalette::Window;
    QTest::addRow("button") << "button" << Region::InsideEdge << a << QPalette::ButtonText
                            << QPalette::Button;
    QTest::addRow("flat button") << "flatButton" << Region::InsideEdge << a << QPalette::ButtonText
                                 << QPalette::Button;
    QTest::addRow("text box") << "edit" << Region::InsideEdge << a << QPalette::Text << QPalette::Base;
    QTest::addRow("flat text box") << "flatEdit" << Region::InsideEdge << a << QPalette::Text
                                   << QPalette::Base;
    QTest::addRow("read-only text box")
        << "readOnlyEdit" << Region::InsideEdge << a << QPalette::Text << QPalette::Base;
    QTest::addRow("placeholder") << "placeholder" << Region::InsideEdge << a << QPalette::PlaceholderText
                                 << QPalette::Base;
    QTest::addRow("selected text") << "selectedEdit" << Region::Selection << a << QPalette::HighlightedText
                                   << QPalette::Highlight;
    QTest::addRow("selected read-only text")
        << "selectedReadOnly" << Region::Selection << a << QPalette::HighlightedText << QPalette::Highlight;
    QTest::addRow("multi-line box") << "code" << Region::InsideEdge << a << QPalette::Text << QPalette::Base;
    QTest::addRow("read-only multi-line box")
        << "readOnlyCode" << Region::InsideEdge << a << QPalette::Text << QPalette::Base;
    QTest::addRow("disabled label") << "disabledLabel" << Region::Whole << d << QPalette::WindowText
                                    << QPalette::Window;
    QTest::addRow("disabled check box")
        << "disabledCheck" << Region::BesideIndicator << d << QPalette::WindowText << QPalette::Window;
    QTest::addRow("disabled button") << "disabledButton" << Region::InsideEdge << d << QPalette::ButtonText
                                     << QPalette::Button;
    QTest::addRow("disabled text box")
        << "disabledEdit" << Region::InsideEdge << d << QPalette::Text << QPalette::Base;
}

void SkinTest::everyTextIsReadable()
{
    QFETCH(QString, name);
    QFETCH(Region, region);
    QFETCH(QPalette::ColorGroup, group);
    QFETCH(QPalette::ColorRole, textRole);
    QFETCH(QPalette::ColorRole, backgroundRole);

    SampleWindow sample;
    sample.skin();
    QVERIFY(sample.show());
    QWidget* widget = sample.window->findChild<QWidget*>(name);
    QVERIFY(widget != nullptr);
    // A text cursor is not text.
    if (QWidget* focused = sample.window->focusWidget())
        focused->clearFocus();
    widget->ensurePolished();

    const Ink ink = inkIn(render(widget), textRegion(widget, region));
    qInfo("%s: text %s on %s, %.2f:1", qPrintable(name), qPrintable(ink.text.name()),
          qPrintable(ink.background.name()), ink.ratio);
    QVERIFY2(ink.ratio >= 4.5, qPrintable(QString::number(ink.ratio)));

    if (textRole != QPalette::NoRole) {
        const QPalette& palette = widget->palette();
        const double ratio = contrast(palette.color(group, textRole), palette.color(group, backgroundRole));
        QVERIFY2(ratio >= 4.5, qPrintable(QString::number(ratio)));
    }
}

void SkinTest::looksComeFromTheSkinColours()
{
    SampleWindow sample;
    const QColor plainBackdrop = render(sample.window.get()).pixelColor(5, 335);
    sample.skin();
    QVERIFY(sample.show());
    const QColor backdrop = render(sample.window.get()).pixelColor(5, 335);
    QVERIFY2(backdrop != plainBackdrop, qPrintable(backdrop.name()));

    // Same hue as the given colours, only darker where the text needed it.
    const auto closeHue = [](const QColor& a, const QColor& b) { return std::abs(a.hue() - b.hue()) <= 3; };
    QVERIFY2(closeHue(backdrop, QColor(0xAE7260)), qPrintable(backdrop.name()));
    QVERIFY(backdrop.value() <= QColor(0xAE7260).value());
    const QColor button =
        inkIn(render(sample.child("button")), sample.child("button")->rect().adjusted(4, 4, -4, -4))
            .background;
    QVERIFY2(closeHue(button, QColor(0x81533F)), qPrintable(button.name()));
    const Ink title =
        inkIn(render(sample.child("frame")), textRegion(sample.child("frame"), Region::FrameTitle));
    QCOMPARE(title.background, button);
    QVERIFY2(contrast(title.text, QColor(0xFAF4E4)) < 1.1, qPrintable(title.text.name()));
    const Ink label = inkIn(render(sample.child("label")), sample.child("label")->rect());
    QCOMPARE(label.background, backdrop);
    QVERIFY2(contrast(label.text, QColor(0xFFF9EC)) < 1.1, qPrintable(label.text.name()));

    // Editable boxes are light, read-only ones sit on the panel.
    const QColor editBase = centreOf(sample.child("placeholder"));
    QVERIFY(luminance(editBase) > luminance(backdrop));
    QCOMPARE(inkIn(render(sample.child("readOnlyEdit")),
                   sample.child("readOnlyEdit")->rect().adjusted(4, 4, -4, -4))
                 .background,
             button);
    QCOMPARE(inkIn(render(sample.child("readOnlyCode")),
                   sample.child("readOnlyCode")->rect().adjusted(4, 4, -4, -4))
                 .background,
             button);
}

void SkinTest::focusStandsOutAndDiffersFromHover_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Part>("part");
    QTest::addColumn<QColor>("ground");

    const QColor backdrop = QColor(0xAE7260).darker(125);
    QTest::addRow("button") << "button" << Part::PushButton << backdrop;
    QTest::addRow("flat button") << "flatButton" << Part::PushButton << backdrop;
    QTest::addRow("check box") << "check" << Part::CheckBox << backdrop;
    QTest::addRow("flat check box") << "flatCheck" << Part::CheckBox << backdrop;
    QTest::addRow("option button") << "option" << Part::RadioButton << backdrop;
    QTest::addRow("text box") << "edit" << Part::LineEdit << backdrop;
    QTest::addRow("flat text box") << "flatEdit" << Part::LineEdit << backdrop;
    QTest::addRow("read-only text box") << "readOnlyEdit" << Part::LineEdit << backdrop;
    QTest::addRow("multi-line box") << "code" << Part::ScrollAreaFrame << backdrop;
    QTest::addRow("read-only multi-line box") << "readOnlyCode" << Part::ScrollAreaFrame << backdrop;
    QTest::addRow("ring on the backdrop") << "pictureByPalette" << Part::FocusRect << backdrop;
    QTest::addRow("ring on a light picture")
        << "pictureByPalette" << Part::FocusRect << QColor(192, 192, 255);
    QTest::addRow("ring on white") << "pictureByPalette" << Part::FocusRect << QColor(Qt::white);
}

// The focus indicator is what focus changes. Around it, every colour is at least
// 3:1 from one of its colours (a ring of two colours reads on any ground), and
// hover does not draw it.
void SkinTest::focusStandsOutAndDiffersFromHover()
{
    QFETCH(QString, name);
    QFETCH(Part, part);
    QFETCH(QColor, ground);

    SampleWindow sample;
    sample.skin();
    QWidget* widget = sample.window->findChild<QWidget*>(name);
    QVERIFY(widget != nullptr);
    const QImage plain = drawPart(widget, part, {}, ground);
    const QImage focused = drawPart(widget, part, QStyle::State_HasFocus, ground);
    const QImage hovered = drawPart(widget, part, QStyle::State_MouseOver, ground);

    const auto changed = [&](int x, int y) { return focused.pixel(x, y) != plain.pixel(x, y); };
    QSet<QRgb> ring;
    QSet<QRgb> around;
    double hoverShows = 0;
    for (int y = 0; y < focused.height(); ++y)
        for (int x = 0; x < focused.width(); ++x) {
            if (changed(x, y)) {
                ring.insert(focused.pixel(x, y));
                hoverShows =
                    std::max(hoverShows, contrast(focused.pixelColor(x, y), hovered.pixelColor(x, y)));
                continue;
            }
            const bool next = (x > 0 && changed(x - 1, y)) ||
                              (x + 1 < focused.width() && changed(x + 1, y)) ||
                              (y > 0 && changed(x, y - 1)) || (y + 1 < focused.height() && changed(x, y + 1));
            if (next)
                around.insert(focused.pixel(x, y));
        }
    QVERIFY2(!ring.isEmpty(), "focus changes nothing");
    double worst = std::numeric_limits<double>::max();
    for (const QRgb colour : std::as_const(around)) {
        double best = 0;
        for (const QRgb mark : std::as_const(ring))
            best = std::max(best, contrast(QColor(mark), QColor(colour)));
        worst = std::min(worst, best);
    }
    qInfo("%s: %d colours in the ring, worst neighbour %.2f:1, hover %.2f:1 from it", qPrintable(name),
          int(ring.size()), worst, hoverShows);
    QVERIFY2(worst >= 3.0, qPrintable(QString::number(worst)));
    QVERIFY2(hoverShows >= 3.0, qPrintable(QString::number(hoverShows)));
}

void SkinTest::flatControlsHaveOneSingleLine()
{
    SampleWindow sample;
    sample.skin();
    QVERIFY(sample.show());
    // Edges as they are without the focus ring.
    if (QWidget* focused = sample.window->focusWidget())
        focused->clearFocus();
    for (const char* name : {"edit", "flatEdit", "button", "flatButton"}) {
        QWidget* widget = sample.child(name);
        const QImage image = render(widget);
        const int midX = image.width() / 2;
        const int midY = image.height() / 2;
        const QColor top = image.pixelColor(midX, 0);
        const QColor bottom = image.pixelColor(midX, image.height() - 1);
        const QColor left = image.pixelColor(0, midY);
        const QColor secondTop = image.pixelColor(midX, 1);
        const bool flat = widget->property("appearance").toString() == "flat";
        if (flat) {
            QVERIFY2(top == bottom && top == left, name);
            QVERIFY2(secondTop != top, name);
        } else {
            QVERIFY2(top != bottom, name);
            QVERIFY2(secondTop == top, name);
        }
    }
}

void SkinTest::indicatorsStayVisibleAndClickable()
{
    SampleWindow sample;
    sample.skin();
    QVERIFY(sample.show());
    for (const char* name : {"check", "flatCheck", "otherOption"}) {
        auto* button = sample.child<QAbstractButton>(name);
        const int size = button->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button);
        const QRect indicator(0, (button->height() - size) / 2, size, size);
        const QImage before = render(button);
        const Ink box = inkIn(before, indicator.adjusted(0, -1, 1, 1));
        QVERIFY2(box.ratio >= 3.0, name);

        QTest::mouseClick(button, Qt::LeftButton, {}, indicator.center());
        QVERIFY2(button->isChecked(), name);
        const QImage after = render(button);
        QVERIFY2(after.copy(indicator) != before.copy(indicator), name);
        const Ink mark = inkIn(after, indicator.adjusted(3, 3, -3, -3));
        QVERIFY2(mark.ratio >= 3.0, name);
    }
}

void SkinTest::controlsKeepTheirGeometry()
{
    SampleWindow sample;
    const auto before = sample.geometries();
    const QSize size = sample.window->size();
    sample.skin();
    QVERIFY(sample.show());
    QCOMPARE(sample.geometries(), before);
    QCOMPARE(sample.window->size(), size);
}

void SkinTest::windowFlagsAreLeftAlone()
{
    SampleWindow sample;
    sample.window->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    const Qt::WindowFlags flags = sample.window->windowFlags();
    sample.skin();
    QCOMPARE(sample.window->windowFlags(), flags);
    QVERIFY(sample.window->isWindow());
}

void SkinTest::applyingTwiceChangesNothing()
{
    SampleWindow sample;
    sample.skin();
    QVERIFY(sample.show());
    // No style sheet: one style, shared by every window and control.
    const QString sheet = sample.window->styleSheet();
    QVERIFY(sheet.isEmpty());
    QVERIFY(qApp->styleSheet().isEmpty());
    SampleWindow other;
    other.skin();
    QVERIFY(sample.window->style() != QApplication::style());
    QCOMPARE(other.child("button")->style(), sample.window->style());
    QCOMPARE(sample.child("code")->style(), sample.window->style());
    const QImage once = render(sample.window.get());
    QHash<QWidget*, QPalette> palettes;
    for (QWidget* widget : sample.window->findChildren<QWidget*>())
        palettes.insert(widget, widget->palette());

    sample.skin();
    QCOMPARE(sample.window->styleSheet(), sheet);
    QCOMPARE(render(sample.window.get()), once);
    for (QWidget* widget : sample.window->findChildren<QWidget*>())
        QVERIFY2(widget->palette() == palettes.value(widget), qPrintable(widget->objectName()));
}

void SkinTest::ownBackgroundsWin()
{
    SampleWindow sample;
    sample.window->setStyleSheet("#pictureByWindowSheet { background-color: rgb(192, 192, 255); }");
    sample.skin();
    QVERIFY(sample.show());
    for (const char* name : {"pictureBySheet", "pictureByPalette", "pictureByWindowSheet"})
        QVERIFY2(centreOf(sample.child(name)) == QColor(192, 192, 255), name);
    QVERIFY(sample.window->styleSheet().contains("#pictureByWindowSheet"));
}

void SkinTest::controlsAddedAfterAPolishAreSkinned()
{
    SampleWindow sample;
    sample.window->ensurePolished();
    auto* late = sample.add<QLabel>("late", {10, 250, 150, 20});
    late->setText("Added late");
    sample.skin();
    QVERIFY(sample.show());
    const Ink ink = inkIn(render(late), late->rect());
    QCOMPARE(ink.background, inkIn(render(sample.child("label")), sample.child("label")->rect()).background);
    QVERIFY2(ink.ratio >= 4.5, qPrintable(QString::number(ink.ratio)));
}

void SkinTest::unknownHandlesAreIgnored()
{
    SampleWindow sample;
    QVERIFY(sample.show());
    const QImage plain = render(sample.window.get());
    const QString sheet = sample.window->styleSheet();

    Skin skin;
    skin.apply(0);
    skin.apply(std::numeric_limits<WId>::max());
    QCOMPARE(sample.window->styleSheet(), sheet);
    QCOMPARE(render(sample.window.get()), plain);
}

QTEST_MAIN(SkinTest)
#include "skin_test.moc"
