#pragma once

#include "credentialstore.h"

#include <QTimer>
#include <map>

namespace quorvane::testing {

// The keyring as a map, answering on the next turn of the event loop; no keyring at all
// while `missing` holds a reason.
class FakeStore : public CredentialStore
{
public:
    static inline std::map<Environment, Credentials> entries;
    static inline QString missing;

    void load(Environment environment) override
    {
        QTimer::singleShot(0, this, [this, environment] {
            missing.isEmpty() ? emit loaded(environment, entries[environment]) : emit unavailable(missing);
        });
    }
    void save(Environment environment, const Credentials& typed) override { entries[environment] = typed; }
    void remove(Environment environment) override { entries.erase(environment); }

    // Every window from now on reads and writes this keyring, empty and present.
    static void install()
    {
        entries.clear();
        missing.clear();
        setCredentialStoreMaker([] { return std::make_unique<FakeStore>(); });
    }
};

} // namespace quorvane::testing
