#pragma once

#include "form.h"
#include "skin.h"

#include <QString>
#include <memory>

class QPlainTextEdit;

namespace Ui {
class Form2;
}

namespace quorvane {

// The code window: shows the generated code, copies it and opens the code scrambler.
class Form2 : public quorvane::Form
{
    Q_OBJECT

public:
    explicit Form2(QWidget* parent = nullptr);
    ~Form2() override;

    // Puts exactly this text into the code box, replacing what stood there.
    void setCode(const QString& code);

private:
    void Form_Load();
    void sizeTextBox(QPlainTextEdit* box);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    QString codeBoxText() const;

    std::unique_ptr<Ui::Form2> m_ui;
    quorvane::Skin Skin1;
    QString m_code;
};

} // namespace quorvane
