#include "linkmaker.h"

#include "paypalclient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace quorvane {

namespace {

bool samePrice(const QString& listed, const QString& planned)
{
    bool listedRead = false;
    bool plannedRead = false;
    const double a = listed.toDouble(&listedRead);
    const double b = planned.toDouble(&plannedRead);
    return listedRead && plannedRead && a == b;
}

// The create body's line item with its return_url, as PaymentLink::details holds them.
QJsonObject detailsOf(const QByteArray& body)
{
    const QJsonObject request = QJsonDocument::fromJson(body).object();
    QJsonObject details = request.value(QLatin1String("line_items")).toArray().at(0).toObject();
    if (request.contains(QLatin1String("return_url"))) {
        details.insert(QLatin1String("return_url"), request.value(QLatin1String("return_url")));
    }
    return details;
}

// An active link with the same name, item ID, price and currency, the same return page
// and every other detail of the item as it would be made (what PayPal adds of its own
// is not compared).
bool isIdentical(const PaymentLink& listed, const LinkJob& job, const QJsonObject& details)
{
    if (listed.status != QLatin1String("ACTIVE") || listed.link.isEmpty() || listed.itemName != job.name ||
        listed.itemId != job.itemId || listed.currency != job.currency ||
        !samePrice(listed.price, job.price) ||
        listed.details.value(QLatin1String("return_url")) != details.value(QLatin1String("return_url"))) {
        return false;
    }
    for (auto field = details.constBegin(); field != details.constEnd(); ++field) {
        if (field.key() != QLatin1String("unit_amount") &&
            listed.details.value(field.key()) != field.value()) {
            return false;
        }
    }
    return true;
}

} // namespace

LinkMaker::LinkMaker(QObject* parent) : QObject(parent) {}

LinkMaker::~LinkMaker() = default;

void LinkMaker::start(Environment environment, const QString& clientId, const QString& secret,
                      std::vector<LinkJob> jobs, Record record)
{
    cancel();
    m_environment = environment;
    m_clientId = clientId;
    m_secret = secret;
    m_jobs = std::move(jobs);
    m_record = std::move(record);
    m_listed.clear();
    m_problems.clear();
    m_waiting.clear();
    m_done = 0;
    m_busy = true;
    if (m_jobs.empty()) {
        return end();
    }
    emit progress(0, static_cast<int>(m_jobs.size()), QStringLiteral("Reading the account's payment links"));
    m_lister = std::make_unique<PayPalClient>();
    connect(m_lister.get(), &PayPalClient::linksPage, this,
            [this](const QList<PaymentLink>& links) { m_listed += links; });
    connect(m_lister.get(), &PayPalClient::linksListed, this, &LinkMaker::listed);
    connect(m_lister.get(), &PayPalClient::waiting, this, &LinkMaker::waiting);
    connect(m_lister.get(), &PayPalClient::failed, this, [this](const QString& text) {
        for (int job = 0; job < static_cast<int>(m_jobs.size()); ++job) {
            emit failed(job, text);
        }
        stop(QStringLiteral("The account's payment links could not be read, so no link was made: %1")
                 .arg(text));
    });
    m_lister->listLinks(environment, clientId, secret);
}

void LinkMaker::listed()
{
    QSet<QString> reused;
    for (int job = 0; job < static_cast<int>(m_jobs.size()) && m_busy; ++job) {
        const QJsonObject details = detailsOf(m_jobs[static_cast<std::size_t>(job)].body);
        const auto found = std::find_if(m_listed.cbegin(), m_listed.cend(), [&](const PaymentLink& link) {
            return !reused.contains(link.id) &&
                   isIdentical(link, m_jobs[static_cast<std::size_t>(job)], details);
        });
        if (found == m_listed.cend()) {
            m_waiting.push_back(job);
            continue;
        }
        reused.insert(found->id);
        if (const QString problem = m_record(m_jobs[static_cast<std::size_t>(job)], {found->link, found->id});
            !problem.isEmpty()) {
            return stop(problem);
        }
        emit made(job, found->link);
        oneDone(job);
    }
    m_listed.clear();
    std::reverse(m_waiting.begin(), m_waiting.end()); // taken from the back, in order
    const int clients = std::min<int>(MostAtOnce, static_cast<int>(m_waiting.size()));
    for (int c = 0; c < clients && m_busy; ++c) {
        m_creators.push_back(std::make_unique<PayPalClient>());
        m_jobOf.push_back(-1);
        PayPalClient& client = *m_creators.back();
        connect(&client, &PayPalClient::linkCreated, this,
                [this, &client](const QString& link) { created(client, link); });
        connect(&client, &PayPalClient::failed, this,
                [this, &client](const QString& text) { notCreated(client, text); });
        connect(&client, &PayPalClient::waiting, this, &LinkMaker::waiting);
        sendNext(client);
    }
    if (m_busy && m_waiting.empty() && m_done == static_cast<int>(m_jobs.size())) {
        end();
    }
}

void LinkMaker::sendNext(PayPalClient& client)
{
    const auto at = std::find_if(m_creators.cbegin(), m_creators.cend(),
                                 [&](const auto& creator) { return creator.get() == &client; });
    int& job = m_jobOf[static_cast<std::size_t>(at - m_creators.cbegin())];
    job = -1;
    if (m_waiting.empty() || !m_busy) {
        if (std::all_of(m_jobOf.cbegin(), m_jobOf.cend(), [](int j) { return j < 0; }) && m_busy) {
            end();
        }
        return;
    }
    job = m_waiting.back();
    m_waiting.pop_back();
    const LinkJob& next = m_jobs[static_cast<std::size_t>(job)];
    client.createLink(m_environment, m_clientId, m_secret, next.body, next.requestId.toLatin1());
}

void LinkMaker::created(PayPalClient& client, const QString& link)
{
    const auto at = std::find_if(m_creators.cbegin(), m_creators.cend(),
                                 [&](const auto& creator) { return creator.get() == &client; });
    const int job = m_jobOf[static_cast<std::size_t>(at - m_creators.cbegin())];
    if (const QString problem = m_record(m_jobs[static_cast<std::size_t>(job)], {link, {}});
        !problem.isEmpty()) {
        return stop(problem);
    }
    emit made(job, link);
    oneDone(job);
    sendNext(client);
}

void LinkMaker::notCreated(PayPalClient& client, const QString& text)
{
    const auto at = std::find_if(m_creators.cbegin(), m_creators.cend(),
                                 [&](const auto& creator) { return creator.get() == &client; });
    const int job = m_jobOf[static_cast<std::size_t>(at - m_creators.cbegin())];
    const LinkJob& failedJob = m_jobs[static_cast<std::size_t>(job)];
    m_problems << QStringLiteral("No link was made for “%1” (%2 %3): %4")
                      .arg(failedJob.name, failedJob.price, failedJob.currency, text);
    emit failed(job, text);
    oneDone(job);
    sendNext(client);
}

void LinkMaker::oneDone(int job)
{
    ++m_done;
    emit progress(m_done, static_cast<int>(m_jobs.size()), m_jobs[static_cast<std::size_t>(job)].name);
}

void LinkMaker::cancel()
{
    if (m_busy) {
        stop({});
    }
}

void LinkMaker::stop(const QString& problem)
{
    if (!problem.isEmpty()) {
        m_problems << problem;
    }
    m_waiting.clear();
    end();
}

void LinkMaker::end()
{
    m_busy = false;
    m_secret.clear();
    // Their signals may be on the way up the stack: let them go once it is unwound.
    if (m_lister) {
        m_lister->cancel();
        m_lister.release()->deleteLater();
    }
    for (auto& creator : m_creators) {
        creator->cancel();
        creator.release()->deleteLater();
    }
    m_creators.clear();
    m_jobOf.clear();
    emit finished(m_problems);
}

} // namespace quorvane
