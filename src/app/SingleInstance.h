#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class QLocalServer;

namespace vantrel {

// Keeps one editor per user session: a second launch hands its file arguments to the running
// instance and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The name used for the current user's session.
    static QString defaultServerName();

    // Sends `files` to a running instance; true when one took them.
    bool handOver(const QStringList& files, int timeoutMs = 2000) const;
    // Becomes the running instance; false when the name cannot be taken.
    bool listen();

Q_SIGNALS:
    void filesReceived(const QStringList& files);

private:
    void acceptConnection();

    QString m_name;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace vantrel
