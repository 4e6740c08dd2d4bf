#pragma once

#include "endpoints.h"
#include "journal.h"
#include "paymentlink.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace quorvane {

class PayPalClient;

// One payment link to make: its create body, its PayPal-Request-Id (which also names
// it in the journal) and what PayPal's list shows of an identical link.
struct LinkJob
{
    QString requestId;
    QByteArray body;
    QString name;
    QString itemId;
    QString price;
    QString currency;
};

// Makes payment links with PayPalClient, at most four requests at a time. The
// account's list is read once first and an identical active link reused. Each link,
// made or reused, goes to `record` before anything else learns of it; when recording
// fails no more links are made.
class LinkMaker : public QObject
{
    Q_OBJECT

public:
    static constexpr int MostAtOnce = 4;
    // The problem, or empty once the link is safely recorded.
    using Record = std::function<QString(const LinkJob& job, const LinkRecord& link)>;

    explicit LinkMaker(QObject* parent = nullptr);
    ~LinkMaker() override;

    void start(Environment environment, const QString& clientId, const QString& secret,
               std::vector<LinkJob> jobs, Record record);
    bool isBusy() const { return m_busy; }
    // Stops every request at once; finished follows.
    void cancel();

signals:
    void made(int job, const QString& link);
    void failed(int job, const QString& text);
    void progress(int done, int total, const QString& what);
    void waiting(const QString& text);
    void finished(const QStringList& problems);

private:
    void listed();
    void sendNext(PayPalClient& client);
    void created(PayPalClient& client, const QString& link);
    void notCreated(PayPalClient& client, const QString& text);
    void oneDone(int job);
    void stop(const QString& problem);
    void end();

    Environment m_environment = Environment::Sandbox;
    QString m_clientId;
    QString m_secret;
    std::vector<LinkJob> m_jobs;
    Record m_record;
    std::unique_ptr<PayPalClient> m_lister;
    QList<PaymentLink> m_listed;
    std::vector<std::unique_ptr<PayPalClient>> m_creators;
    std::vector<int> m_jobOf; // per creator, -1 when idle
    std::vector<int> m_waiting;
    int m_done = 0;
    bool m_busy = false;
    QStringList m_problems;
};

} // namespace quorvane
