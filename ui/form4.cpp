#include "form4.h"

#include "form1.h"
#include "forms.h"
#include "messagebox.h"
#include "pictures.h"
#include "ui_form4.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QShortcut>

namespace quorvane {

Form4::Form4(QWidget* parent) : Form(parent), m_ui(std::make_unique<Ui::Form4>())
{
    m_ui->setupUi(this);
    setWindowIcon(embeddedIcon(QStringLiteral("padlock")));
    // A page can be long: breaking its lines anywhere keeps the layout linear in its length.
    m_ui->txtCode->setWordWrapMode(QTextOption::WrapAnywhere);
    m_ui->txtCode->setFocus();

    for (const QKeyCombination keys : {Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(keys), m_ui->txtCode);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, &Form4::cmdRead_Click);
    }
    connect(m_ui->cmdRead, &QPushButton::clicked, this, &Form4::cmdRead_Click);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &Form4::cmdClose_Click);
    // However the program ends, no read outlives it.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { m_reading.reset(); });

    Form_Load();
}

Form4::~Form4() = default;

// A read nobody waits for any more stops now, not when the window is deleted later.
void Form4::closeEvent(QCloseEvent* event)
{
    m_reading.reset();
    Form::closeEvent(event);
}

void Form4::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    Form::keyPressEvent(event);
}

void Form4::Form_Load()
{
    Skin1.apply(winId());
}

// A pasted page may be megabytes long: it is read away from the windows, which keep
// answering meanwhile.
void Form4::cmdRead_Click()
{
    if (m_reading) {
        return;
    }
    m_ui->cmdRead->setEnabled(false);
    setCursor(Qt::BusyCursor);
    m_reading = std::make_unique<ButtonReading>(m_ui->txtCode->code().toStdString());
    connect(m_reading.get(), &ButtonReading::finished, this, &Form4::readFinished);
}

void Form4::readFinished(const ButtonReading::Result& result)
{
    const ButtonReading::Result reading = result; // the reading goes when it has sent it
    m_reading.release()->deleteLater();
    m_ui->cmdRead->setEnabled(true);
    unsetCursor();
    if (const auto* refused = std::get_if<NotABuyNowButton>(&reading)) {
        MsgBox(QString::fromStdString(refused->message), MessageStyle::Plain,
               QString::fromUtf8(ReadErrorTitle.data(), qsizetype(ReadErrorTitle.size())));
        m_ui->txtCode->setFocus();
        return;
    }
    const auto& read = std::get<ReadButton>(reading);
    Form1* main = forms().form1.get();
    main->setEntries(read.request);
    close();
    main->bringBack();
    if (!read.notCarried.empty()) {
        MsgBox(QString::fromStdString(notCarriedMessageText(read.notCarried)));
    }
}

void Form4::cmdClose_Click()
{
    close();
}

} // namespace quorvane
