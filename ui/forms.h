#pragma once

#include "skin.h"

#include <QObject>
#include <QPointer>

namespace quorvane {

class Form1;
class Form2;
class Form3;
class Form4;

// One window of the application: loaded (constructed, which runs its Form_Load) on
// first use, and forgotten as soon as it is unloaded, so the next use loads afresh.
template <typename T> class FormSlot
{
public:
    T* get()
    {
        if (!m_form) {
            const SkinFontScope skinFont;
            m_form = new T;
            QObject::connect(m_form.data(), &T::unloaded, m_form.data(), [this] { m_form.clear(); });
        }
        return m_form.data();
    }

    bool isLoaded() const { return !m_form.isNull(); }

    // Closes the window if it is loaded; never loads one.
    void unload()
    {
        if (m_form) {
            m_form->close();
        }
    }

private:
    QPointer<T> m_form;
};

// The application's window slots; those of the windows that talk to PayPal are the
// network module's (networkforms.h).
struct Forms
{
    FormSlot<Form1> form1;
    FormSlot<Form2> form2;
    FormSlot<Form3> form3;
    FormSlot<Form4> form4;
};

Forms& forms();

} // namespace quorvane
