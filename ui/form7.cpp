#include "form7.h"

#include "messagebox.h"
#include "networkforms.h"
#include "pictures.h"
#include "savefile.h"
#include "ui_form7.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QStandardPaths>

namespace quorvane {

namespace {

const QString ErrorTitle = QStringLiteral("Error");

// The printed picture: at least this many pixels a side, 300 to the inch.
constexpr int PrintPixels = 1200;
constexpr int PrintDotsPerMetre = 11811;
// What Copy Picture puts on the clipboard, for a document or a message.
constexpr int CopyPixels = 600;

// A file name of the item's name, with what file names cannot hold replaced.
QString fileName(const QString& item, const QString& suffix)
{
    QString name = item.simplified();
    for (QChar& c : name) {
        if (c.isNull() || QStringLiteral("/\\:*?\"<>|").contains(c)) {
            c = u'-';
        }
    }
    while (name.startsWith(u'.')) {
        name.remove(0, 1);
    }
    return (name.isEmpty() ? QStringLiteral("payment-link") : name) + QStringLiteral(" QR code.") + suffix;
}

} // namespace

Form7::Form7(QWidget* parent) : Form(parent), m_ui(std::make_unique<Ui::Form7>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    setWindowIcon(embeddedIcon(QStringLiteral("padlock")));
    m_ui->picCode->installEventFilter(this);

    connect(m_ui->cmdCopyPicture, &QPushButton::clicked, this, &Form7::cmdCopyPicture_Click);
    connect(m_ui->cmdSavePng, &QPushButton::clicked, this, &Form7::cmdSavePng_Click);
    connect(m_ui->cmdSaveSvg, &QPushButton::clicked, this, &Form7::cmdSaveSvg_Click);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &Form7::cmdClose_Click);

    Form_Load();
}

Form7::~Form7() = default;

void Form7::Form_Load()
{
    Skin1.apply(winId());
}

void Form7::showCode(const QString& item, const QString& link, const QrCode& code)
{
    m_item = item;
    m_code = code;
    m_ui->lblItem->setText(item);
    m_ui->txtLink->setText(link);
    m_ui->txtLink->setCursorPosition(0);
    m_ui->picCode->update();
    for (QPushButton* button : {m_ui->cmdCopyPicture, m_ui->cmdSavePng, m_ui->cmdSaveSvg}) {
        button->setEnabled(true);
    }
    m_ui->cmdCopyPicture->setFocus();
}

void Form7::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    Form::keyPressEvent(event);
}

bool Form7::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->picCode && event->type() == QEvent::Paint) {
        paintCode();
        return true;
    }
    return Form::eventFilter(watched, event);
}

// The code as large as the box allows in whole device pixels a module, centred on white:
// modules of unequal widths read worse.
void Form7::paintCode()
{
    QPainter painter(m_ui->picCode);
    const QRect area = m_ui->picCode->rect();
    painter.fillRect(area, Qt::white);
    if (!m_code) {
        return;
    }
    const qreal ratio = painter.paintEngine()->paintDevice()->devicePixelRatioF();
    const int side = std::min(area.width(), area.height());
    const int modulePixels = std::max(1, int(side * ratio) / m_code->size());
    const qreal drawn = modulePixels * m_code->size() / ratio;
    const QRectF target(area.x() + (area.width() - drawn) / 2, area.y() + (area.height() - drawn) / 2, drawn,
                        drawn);
    painter.drawImage(target, m_code->image(modulePixels));
}

void Form7::cmdCopyPicture_Click()
{
    QGuiApplication::clipboard()->setImage(m_code->imageOfAtLeast(CopyPixels));
}

void Form7::cmdSavePng_Click()
{
    QImage picture = m_code->imageOfAtLeast(PrintPixels);
    picture.setDotsPerMeterX(PrintDotsPerMetre);
    picture.setDotsPerMeterY(PrintDotsPerMetre);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    save(QStringLiteral("Save the QR Code as PNG"), QStringLiteral("png"),
         QStringLiteral("PNG pictures (*.png)"), png);
}

void Form7::cmdSaveSvg_Click()
{
    save(QStringLiteral("Save the QR Code as SVG"), QStringLiteral("svg"),
         QStringLiteral("SVG pictures (*.svg)"), m_code->svg());
}

void Form7::save(const QString& caption, const QString& suffix, const QString& filter,
                 const QByteArray& bytes)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString path =
        askSaveFileName(this, caption, QDir(folder).filePath(fileName(m_item, suffix)), filter);
    if (path.isEmpty()) {
        return;
    }
    if (const auto error = writeWholeFile(path, bytes)) {
        MsgBox(QStringLiteral("Error: The QR code could not be saved as %1 (%2).")
                   .arg(QDir::toNativeSeparators(path), *error),
               MessageStyle::Plain, ErrorTitle);
    }
}

void Form7::cmdClose_Click()
{
    close();
}

void showQrCode(const QString& item, const QString& link)
{
    auto code = QrCode::encode(link);
    if (const auto* error = std::get_if<QString>(&code)) {
        MsgBox(QStringLiteral("Error: ") + *error, MessageStyle::Plain, ErrorTitle);
        return;
    }
    Form7* window = networkForms().form7.get();
    window->showCode(item, link, std::get<QrCode>(code));
    window->bringBack();
}

} // namespace quorvane
