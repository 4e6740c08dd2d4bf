#pragma once

#include "form.h"
#include "skin.h"

#include <memory>

namespace Ui {
class Form3;
}

namespace quorvane {

// The about window: the tool's name and version, the owner's notice and web site.
class Form3 : public quorvane::Form
{
    Q_OBJECT

public:
    explicit Form3(QWidget* parent = nullptr);
    ~Form3() override;

private:
    void Form_Load();
    void cmdGo_Click();
    void Command1_Click();

    std::unique_ptr<Ui::Form3> m_ui;
    quorvane::Skin Skin1;
};

} // namespace quorvane
