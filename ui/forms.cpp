#include "forms.h"

#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "form4.h"
#include "form5.h"
#include "form6.h"
#include "form7.h"

namespace quorvane {

Forms& forms()
{
    static Forms theForms;
    return theForms;
}

} // namespace quorvane
