#pragma once
// Sub-commands of kel-remote-cli. Each takes the arguments after its name
// and returns the process exit code.

#include <QStringList>

int RunSnapshot(const QStringList& args);
int RunDiscover(const QStringList& args);
int RunChat(const QStringList& args);
