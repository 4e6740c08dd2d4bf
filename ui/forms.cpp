#include "forms.h"

#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "form4.h"

namespace quorvane {

Forms& forms()
{
    static Forms theForms;
    return theForms;
}

} // namespace quorvane
