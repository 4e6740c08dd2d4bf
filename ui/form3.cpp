#include "form3.h"

#include "browseurl.h"
#include "buildconfig.h"
#include "messagebox.h"
#include "pictures.h"
#include "ui_form3.h"

namespace quorvane {

Form3::Form3(QWidget* parent) : Form(parent), m_ui(std::make_unique<Ui::Form3>())
{
    m_ui->setupUi(this);
    setWindowIcon(embeddedIcon(QStringLiteral("laughing")));
    m_ui->Text2->setText(ApplicationTitle + QStringLiteral(" Ver " QUORVANE_VERSION_TEXT));
    m_ui->Text1->setPlainText(QStringLiteral("\u00a9 2026 All rights reserved.\r\n"
                                             "Quorvane Software Ltd.\r\n"));
    // The notice box is two lines high: a narrow margin lets both lines show whole.
    m_ui->Text1->document()->setDocumentMargin(2);
    m_ui->txtUrl->setText(QStringLiteral(QUORVANE_WEBSITE_URL));
    m_ui->Text2->setCursorPosition(0);
    m_ui->txtUrl->setCursorPosition(0);
    m_ui->cmdGo->setFocus();

    connect(m_ui->cmdGo, &QPushButton::clicked, this, &Form3::cmdGo_Click);
    connect(m_ui->Command1, &QPushButton::clicked, this, &Form3::Command1_Click);

    Form_Load();
}

Form3::~Form3() = default;

void Form3::Form_Load()
{
    Skin1.apply(winId());
}

void Form3::cmdGo_Click()
{
    BrowseURL(m_ui->txtUrl->text());
}

void Form3::Command1_Click()
{
    close();
}

} // namespace quorvane
