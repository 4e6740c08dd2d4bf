#pragma once

#include "messagerecorder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace quorvane::testing {

// A stand-in for the desktop's xdg-open, first and alone on PATH while it lives. It
// records its process id and its arguments, then exits with the chosen code.
class FakeLauncher
{
public:
    // body runs after the recording, before the exit; it may wait or sleep.
    explicit FakeLauncher(int exitCode, const QByteArray& body = {}) : m_oldPath(qgetenv("PATH"))
    {
        const QString script = QStringLiteral("#!/bin/sh\n"
                                              "PATH=/usr/bin:/bin\n"
                                              "echo $$ > '%1'\n"
                                              "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '%2.part'\n"
                                              "mv '%2.part' '%2'\n"
                                              "%3\n"
                                              "exit %4\n")
                                   .arg(pidFile(), argsFile(), QString::fromLocal8Bit(body))
                                   .arg(exitCode);
        QFile file(m_dir.filePath(QStringLiteral("bin/xdg-open")));
        QDir(m_dir.path()).mkpath(QStringLiteral("bin"));
        file.open(QIODevice::WriteOnly);
        file.write(script.toLocal8Bit());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", m_dir.filePath(QStringLiteral("bin")).toLocal8Bit());
    }

    ~FakeLauncher() { qputenv("PATH", m_oldPath); }

    FakeLauncher(const FakeLauncher&) = delete;
    FakeLauncher& operator=(const FakeLauncher&) = delete;

    bool wasStarted() const { return QFile::exists(argsFile()); }

    QStringList arguments() const
    {
        QFile file(argsFile());
        file.open(QIODevice::ReadOnly);
        QStringList arguments;
        for (const QByteArray& argument : file.readAll().split('\0')) {
            arguments << QString::fromLocal8Bit(argument);
        }
        arguments.removeLast(); // every argument ends in a NUL
        return arguments;
    }

    // True once the launcher has ended and been reaped: no process, no zombie.
    bool isGone() const
    {
        QFile file(pidFile());
        if (!file.open(QIODevice::ReadOnly)) {
            return false;
        }
        const QByteArray pid = file.readAll().trimmed();
        return !pid.isEmpty() && !QFile::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid));
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QString pidFile() const { return m_dir.filePath(QStringLiteral("pid")); }
    QString argsFile() const { return m_dir.filePath(QStringLiteral("args")); }

    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

// PATH holds only an empty directory while it lives: no launcher can be found.
class NoLauncher
{
public:
    NoLauncher() : m_oldPath(qgetenv("PATH")) { qputenv("PATH", m_dir.path().toLocal8Bit()); }
    ~NoLauncher() { qputenv("PATH", m_oldPath); }

    NoLauncher(const NoLauncher&) = delete;
    NoLauncher& operator=(const NoLauncher&) = delete;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

inline const QString BrowserErrorText = QStringLiteral(
    "Error starting web borwser. Make sure that you have a default web browser, and/or it is installed.");

} // namespace quorvane::testing
