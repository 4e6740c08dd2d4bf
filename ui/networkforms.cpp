#include "networkforms.h"

#include "form5.h"
#include "form6.h"
#include "form7.h"
#include "form8.h"
#include "migratecommand.h"

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

void NetworkWindowsModule::showPaymentLinksWindow()
{
    networkForms().form6.get()->bringBack();
}

void NetworkWindowsModule::showSiteMoveWindow()
{
    networkForms().form8.get()->bringBack();
}

void NetworkWindowsModule::unloadWindows()
{
    networkForms().form5.unload();
    networkForms().form6.unload();
    networkForms().form7.unload();
    networkForms().form8.unload();
}

int NetworkWindowsModule::runMigrateCommand(const QStringList& arguments)
{
    return quorvane::runMigrateCommand(arguments);
}

} // namespace quorvane
