// Starting files, programs and web pages through the desktop.
#include "kit/ui/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace kit {

namespace {
ShellHook& hook()
{
    static ShellHook h;
    return h;
}
} // namespace

void setShellHook(ShellHook h) { hook() = std::move(h); }

bool shellExecute(const QString& target, const QStringList& params)
{
    if (hook())
        return hook()(target, params);
    const QUrl url(target);
    if (!url.scheme().isEmpty() && url.scheme().size() > 1 && !QFileInfo(target).exists())
        return QDesktopServices::openUrl(url);
    if (QFileInfo(target).isExecutable() || target.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
        return QProcess::startDetached(target, params);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(target));
}

} // namespace kit
