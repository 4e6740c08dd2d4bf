#pragma once

#include "forms.h"
#include "networkwindows.h"

#include <QObject>

namespace quorvane {

class Form5;
class Form6;
class Form7;
class Form8;

// The slots of the windows built into the network module.
struct NetworkForms
{
    FormSlot<Form5> form5;
    FormSlot<Form6> form6;
    FormSlot<Form7> form7;
    FormSlot<Form8> form8;
};

NetworkForms& networkForms();

// The windows as the program reaches them: the network module's entry point
// (networkmodule.cpp), or linked in by a test.
class NetworkWindowsModule : public QObject, public NetworkWindows
{
    Q_OBJECT
    Q_INTERFACES(quorvane::NetworkWindows)

public:
    void showPaymentLinkWindow() override;
    void showPaymentLinksWindow() override;
    void showSiteMoveWindow() override;
    void unloadWindows() override;
    int runMigrateCommand(const QStringList& arguments) override;
};

} // namespace quorvane
