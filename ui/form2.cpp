#include "form2.h"

#include "browseurl.h"
#include "buildconfig.h"
#include "messagebox.h"
#include "pictures.h"
#include "ui_form2.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QTextDocument>

namespace quorvane {

Form2::Form2(QWidget* parent) : Form(parent), m_ui(std::make_unique<Ui::Form2>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    setWindowIcon(embeddedIcon(QStringLiteral("smiley")));
    // The instruction box is two lines high: a narrow margin lets both lines show whole.
    m_ui->Text2->document()->setDocumentMargin(1);
    // A code is mostly character references without spaces; seeking word breaks in
    // such lines costs time that grows with the square of their length.
    m_ui->Text1->setWordWrapMode(QTextOption::WrapAnywhere);
    m_ui->txtScrambler->setText(QStringLiteral(QUORVANE_SCRAMBLER_URL));
    m_ui->Text1->setFocus();

    connect(m_ui->Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(m_ui->Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(m_ui->Command3, &QPushButton::clicked, this, &Form2::Command3_Click);

    Form_Load();
    // The instruction goes in once its box has its final size and font, so that it too
    // is laid out once.
    sizeTextBox(m_ui->Text2);
    sizeTextBox(m_ui->Text1);
    m_ui->Text2->setPlainText(QStringLiteral(
        "Below is the encrypted paypal code, Simply copy this code into your website where you "
        "want your paypal button to appear and then your ready to start selling!"));
}

Form2::~Form2() = default;

void Form2::setCode(const QString& code)
{
    m_code = code;
    m_ui->Text1->setPlainText(code);
    m_ui->Text1->document()->setModified(false);
}

void Form2::Form_Load()
{
    Skin1.apply(winId());
}

// A text box learns its size only when its window is first shown, and lays its text
// out again then. The code goes in before that, so the box takes its final size (the
// skin has set its font and edges) now, and the code is laid out once, at that size.
void Form2::sizeTextBox(QPlainTextEdit* box)
{
    // The box first, which places its viewport inside the skin's edges, then the viewport.
    for (QWidget* widget : {static_cast<QWidget*>(box), box->viewport()}) {
        QResizeEvent resize(widget->size(), QSize());
        QCoreApplication::sendEvent(widget, &resize);
        widget->setAttribute(Qt::WA_PendingResizeEvent, false);
    }
}

void Form2::Command1_Click()
{
    QGuiApplication::clipboard()->setText(codeBoxText());
    MsgBox(QStringLiteral("The PayPal code has been set into your clip board!"), MessageStyle::Plain,
           QStringLiteral("Set!"));
}

void Form2::Command2_Click()
{
    close();
}

void Form2::Command3_Click()
{
    BrowseURL(m_ui->txtScrambler->text());
}

// The text box keeps line breaks as paragraphs and would hand back line feeds; the
// code ends its lines in lone carriage returns. So an untouched code is copied as it
// was given, and an edited one with every line break written as a carriage return.
QString Form2::codeBoxText() const
{
    const QTextDocument* document = m_ui->Text1->document();
    if (!document->isModified()) {
        return m_code;
    }
    QString text = document->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\r'));
    text.replace(QChar::LineSeparator, QLatin1Char('\r'));
    return text;
}

} // namespace quorvane
