#include "networkforms.h"

namespace quorvane {

// What QPluginLoader finds in the network module.
class NetworkModule : public NetworkWindowsModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuorvaneNetworkWindows_iid)
    Q_INTERFACES(quorvane::NetworkWindows)
};

} // namespace quorvane

#include "networkmodule.moc"
