#include "credentialstore.h"

#include <QSignalSpy>
#include <QTest>

using namespace quorvane;

// The desktop keyring as the window uses it, through QtKeychain: run inside a private
// Secret Service (QUORVANE_KEYRING=1, inkeyring.sh) and with no session bus at all.
class KeyringTest : public QObject
{
    Q_OBJECT

private slots:
    void keyring();
};

void KeyringTest::keyring()
{
    const std::unique_ptr<CredentialStore> store = makeCredentialStore();
    QSignalSpy loaded(store.get(), &CredentialStore::loaded);
    QSignalSpy unavailable(store.get(), &CredentialStore::unavailable);
    QSignalSpy writeFailed(store.get(), &CredentialStore::writeFailed);
    const auto load = [&](Environment environment) {
        const int before = int(loaded.count() + unavailable.count());
        store->load(environment);
        [&] { QTRY_COMPARE(int(loaded.count() + unavailable.count()), before + 1); }();
        return loaded.isEmpty() ? Credentials{QStringLiteral("none"), {}}
                                : loaded.last()[1].value<Credentials>();
    };
    store->save(Environment::Sandbox, {QStringLiteral("fake-sandbox-id"), QStringLiteral("fake-secret-1")});
    store->save(Environment::Live, {QStringLiteral("fake-live-id"), QStringLiteral("fake-secret-2")});

    if (qEnvironmentVariable("QUORVANE_KEYRING") != QLatin1String("1")) {
        QCOMPARE(load(Environment::Sandbox).clientId, QStringLiteral("none"));
        QCOMPARE(unavailable.count(), 1);
        store->remove(Environment::Live);
        QTRY_COMPARE(writeFailed.count(), 3);
        QCOMPARE(writeFailed[2][0].toBool(), true);
        return;
    }
    const Credentials sandbox = load(Environment::Sandbox);
    QCOMPARE(sandbox.clientId, QStringLiteral("fake-sandbox-id"));
    QVERIFY(sandbox.secret == QLatin1String("fake-secret-1")); // never printed
    QCOMPARE(load(Environment::Live).clientId, QStringLiteral("fake-live-id"));
    QCOMPARE(loaded.last()[0].value<Environment>(), Environment::Live);
    store->remove(Environment::Sandbox);
    store->remove(Environment::Sandbox); // already gone: not a failure
    QVERIFY(load(Environment::Sandbox).isEmpty());
    QCOMPARE(load(Environment::Live).clientId, QStringLiteral("fake-live-id"));
    QCOMPARE(writeFailed.count() + unavailable.count(), 0);
}

QTEST_GUILESS_MAIN(KeyringTest)
#include "keyring_test.moc"
