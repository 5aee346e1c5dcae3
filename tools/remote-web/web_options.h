#pragma once
// The command line of kel-remote-web.

#include <QHostAddress>
#include <QString>
#include <QStringList>

struct WebOptions {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 8780;
    QString tokenFile;  // empty: a fresh token for this run
    QString problem;    // for Action::Error
};

WebOptions ParseWebOptions(const QStringList& args);
const char* WebUsageText();
