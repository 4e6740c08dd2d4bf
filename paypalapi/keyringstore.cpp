#include "credentialstore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <qt6keychain/keychain.h>
#include <utility>

namespace quorvane {

namespace {

const QString Service = QStringLiteral("org.quorvane.Quorvane");

QString keyOf(Environment environment)
{
    return QStringLiteral("PayPal %1 app").arg(environmentName(environment));
}

// The secret goes to the keyring only, which keeps it encrypted; never to a file.
template <typename Job> Job* prepare(Environment environment)
{
    auto* job = new Job(Service);
    job->setKey(keyOf(environment));
    job->setInsecureFallback(false);
    job->setAutoDelete(true);
    return job;
}

class KeyringStore final : public CredentialStore
{
public:
    void load(Environment environment) override
    {
        auto* job = prepare<QKeychain::ReadPasswordJob>(environment);
        // The store as context: a store gone before the keyring answers hears nothing.
        connect(job, &QKeychain::Job::finished, this, [this, environment, job] {
            if (job->error() == QKeychain::EntryNotFound) {
                emit loaded(environment, {});
            } else if (job->error() != QKeychain::NoError) {
                emit unavailable(job->errorString());
            } else {
                const QJsonObject entry = QJsonDocument::fromJson(job->textData().toUtf8()).object();
                emit loaded(environment, {entry.value(QLatin1String("client_id")).toString(),
                                          entry.value(QLatin1String("secret")).toString()});
            }
        });
        job->start();
    }

    void save(Environment environment, const Credentials& credentials) override
    {
        auto* job = prepare<QKeychain::WritePasswordJob>(environment);
        const QJsonObject entry{{QLatin1String("client_id"), credentials.clientId},
                                {QLatin1String("secret"), credentials.secret}};
        job->setTextData(QString::fromUtf8(QJsonDocument(entry).toJson(QJsonDocument::Compact)));
        reportFailure(job, false);
    }

    void remove(Environment environment) override
    {
        reportFailure(prepare<QKeychain::DeletePasswordJob>(environment), true);
    }

private:
    void reportFailure(QKeychain::Job* job, bool removing)
    {
        connect(job, &QKeychain::Job::finished, this, [this, job, removing] {
            const bool gone = removing && job->error() == QKeychain::EntryNotFound;
            if (job->error() != QKeychain::NoError && !gone) {
                emit writeFailed(removing, job->errorString());
            }
        });
        job->start();
    }
};

CredentialStoreMaker& maker()
{
    static CredentialStoreMaker theMaker;
    return theMaker;
}

} // namespace

std::unique_ptr<CredentialStore> makeCredentialStore()
{
    if (maker()) {
        return maker()();
    }
    return std::make_unique<KeyringStore>();
}

void setCredentialStoreMaker(CredentialStoreMaker newMaker)
{
    maker() = std::move(newMaker);
}

} // namespace quorvane
