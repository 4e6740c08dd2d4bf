#pragma once

#include "endpoints.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace quorvane {

// A PayPal app's client ID and secret.
struct Credentials
{
    QString clientId;
    QString secret;

    bool isEmpty() const { return clientId.isEmpty() && secret.isEmpty(); }
};

// Where the client ID and secret of each environment are remembered between runs:
// the desktop keyring. Every operation answers later, through a signal.
class CredentialStore : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void load(Environment environment) = 0;
    virtual void save(Environment environment, const Credentials& credentials) = 0;
    virtual void remove(Environment environment) = 0;

signals:
    // Empty credentials when none are remembered for the environment.
    void loaded(quorvane::Environment environment, const quorvane::Credentials& credentials);
    // There is no keyring to read.
    void unavailable(const QString& reason);
    // The keyring did not store or delete an entry.
    void writeFailed(bool removing, const QString& reason);
};

// The desktop keyring, unless a test put something in its place.
std::unique_ptr<CredentialStore> makeCredentialStore();
using CredentialStoreMaker = std::function<std::unique_ptr<CredentialStore>()>;
// An empty maker restores the keyring.
void setCredentialStoreMaker(CredentialStoreMaker maker);

} // namespace quorvane
