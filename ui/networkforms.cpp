#include "networkforms.h"

#include "form5.h"

namespace quorvane {

NetworkForms& networkForms()
{
    static NetworkForms theForms;
    return theForms;
}

void NetworkWindowsModule::showPaymentLinkWindow()
{
    networkForms().form5.get()->bringBack();
}

void NetworkWindowsModule::unloadWindows()
{
    networkForms().form5.unload();
}

} // namespace quorvane
