#pragma once

#include <QString>
#include <QStringList>
#include <QtPlugin>

namespace quorvane {

// The windows that talk to PayPal. They and everything they need (Qt Network, the
// keyring) are built into a module of their own, loaded the first time one of them is
// asked for, so a seller who only writes buttons never loads them. A window more is
// one method more here, in NetworkWindowsModule and in the module's source list.
class NetworkWindows
{
public:
    virtual ~NetworkWindows() = default;

    // The payment link window, loaded if it is not, in front.
    virtual void showPaymentLinkWindow() = 0;
    // The list of the seller's payment links, likewise.
    virtual void showPaymentLinksWindow() = 0;
    // The window that moves a whole site to payment links, likewise.
    virtual void showSiteMoveWindow() = 0;
    // Closes every window of the module that is loaded.
    virtual void unloadWindows() = 0;
    // `quorvane migrate` with the arguments after "migrate", in a QCoreApplication (no
    // display needed); the exit code.
    virtual int runMigrateCommand(const QStringList& arguments) = 0;
};

// The module's windows, the module loaded on first use. When it is missing or broken
// one box says which file and why, and the answer is null; the next call tries again.
NetworkWindows* networkWindows();
// The module if it is loaded, else null; never loads it.
NetworkWindows* loadedNetworkWindows();

// The module's windows or, when it cannot be loaded, null and `problem` saying why, for
// callers with no window to show a box in.
NetworkWindows* loadNetworkWindows(QString& problem);
// The module file the program loads: in the program's private library folder beside it.
QString networkModulePath();

// Tests link the module's windows into the program and hand them over here; null
// loads the module again.
void setNetworkWindows(NetworkWindows* windows);

} // namespace quorvane

// A module built for another NetworkWindows is refused: the number goes up whenever
// the class changes.
#define QuorvaneNetworkWindows_iid "org.quorvane.Quorvane.NetworkWindows/4"
Q_DECLARE_INTERFACE(quorvane::NetworkWindows, QuorvaneNetworkWindows_iid)
