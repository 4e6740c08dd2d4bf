#pragma once

#include "buttonreading.h"
#include "form.h"
#include "skin.h"

#include <memory>

namespace Ui {
class Form4;
}

namespace quorvane {

// Reads a pasted Buy Now button back into the main window's form.
class Form4 : public quorvane::Form
{
    Q_OBJECT

public:
    explicit Form4(QWidget* parent = nullptr);
    ~Form4() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void cmdRead_Click();
    void cmdClose_Click();
    void readFinished(const ButtonReading::Result& result);

    std::unique_ptr<Ui::Form4> m_ui;
    quorvane::Skin Skin1;
    std::unique_ptr<ButtonReading> m_reading; // while a read runs
};

} // namespace quorvane
