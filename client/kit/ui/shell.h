// Starting files, programs and web pages through the desktop, routed so a test can observe it.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace kit {

using ShellHook = std::function<bool(const QString& target, const QStringList& params)>;
void setShellHook(ShellHook hook); // an empty function restores the desktop

// Opens target (a file, a program or an address) with the given parameters; false when it could not.
bool shellExecute(const QString& target, const QStringList& params = {});

} // namespace kit
