// Helpers shared by the kit tests: received tables from JSON text and a model checker.
#pragma once

#include "wire.h"

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QMessageLogContext>
#include <QStringList>

#include <cstring>
#include <memory>
#include <string>

namespace kittest {

// A received table as the server sends it in {"result":[table]}.
inline wire::Table wireTable(const std::string& json)
{
    return wire::MessageReader::parse("{\"result\":[" + json + "]}", "result").table(0);
}

// Runs Qt's model tester on a model and collects its complaints instead of aborting.
class ModelCheck {
public:
    explicit ModelCheck(QAbstractItemModel* m)
    {
        failures().clear();
        previous() = qInstallMessageHandler(&ModelCheck::handler);
        tester_ = std::make_unique<QAbstractItemModelTester>(m, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    ~ModelCheck()
    {
        tester_.reset();
        qInstallMessageHandler(previous());
    }
    static QStringList& failures()
    {
        static QStringList f;
        return f;
    }

private:
    static QtMessageHandler& previous()
    {
        static QtMessageHandler h = nullptr;
        return h;
    }
    static void handler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
    {
        if (ctx.category && std::strcmp(ctx.category, "qt.modeltest") == 0 && type != QtDebugMsg && type != QtInfoMsg) {
            failures() << msg;
            return;
        }
        if (previous())
            previous()(type, ctx, msg);
    }
    std::unique_ptr<QAbstractItemModelTester> tester_;
};

} // namespace kittest
