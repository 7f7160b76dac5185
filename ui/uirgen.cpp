// Build-time tool: reads the bench's resource description (JSON) and writes
// the header of panel, control and menu constants the instruments use.  The
// runtime's loader numbers everything the same way (see uir_ids.h), so a
// control name misspelled in code fails to compile, and a malformed resource
// fails the build.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

#include "control_type.h"
#include "uir_ids.h"

namespace
{

bool validName(const QString &name)
{
    static const QRegularExpression re("^[A-Z][A-Z0-9_]*$");
    return re.match(name).hasMatch();
}

int fail(const QString &message)
{
    std::fprintf(stderr, "uirgen: %s\n", qPrintable(message));
    return 1;
}

// Names of the header, each claimed once.
class Names
{
  public:
    bool claim(const QString &name)
    {
        if (names_.contains(name))
            return false;
        names_.insert(name);
        return true;
    }

  private:
    QSet<QString> names_;
};

// Menu bars, their menus and items; "" or the problem found.
QString writeMenuBars(const QJsonArray &menubars, Names &names, QTextStream &ts)
{
    for (int b = 0; b < menubars.size(); ++b) {
        const QJsonObject mb = menubars[b].toObject();
        const QString name = mb.value("name").toString();
        if (!validName(name) || !names.claim(name))
            return QString("menu bar %1: bad or repeated name '%2'").arg(b).arg(name);
        ts << "enum { " << name << " = " << uirids::menuBarId(b) << " };\n";
        int next = uirids::kFirstMenuItemId;
        for (const QJsonValue &mv : mb.value("menus").toArray()) {
            const QJsonObject menu = mv.toObject();
            const QString mname = name + "_" + menu.value("name").toString();
            if (!validName(menu.value("name").toString()) || !names.claim(mname))
                return QString("menu '%1': bad or repeated name").arg(mname);
            ts << "enum { " << mname << " = " << next++ << " };\n";
            for (const QJsonValue &iv : menu.value("items").toArray()) {
                const QJsonObject item = iv.toObject();
                const QString iname = mname + "_" + item.value("name").toString();
                if (!validName(item.value("name").toString()) || !names.claim(iname))
                    return QString("menu item '%1': bad or repeated name").arg(iname);
                ts << "enum { " << iname << " = " << next++ << " };\n";
            }
        }
        ts << "\n";
    }
    return QString();
}

// Panels and their controls; "" or the problem found.
QString writePanels(const QJsonArray &panels, Names &names, QTextStream &ts)
{
    for (int p = 0; p < panels.size(); ++p) {
        const QJsonObject panel = panels[p].toObject();
        const QString name = panel.value("name").toString();
        if (!validName(name) || !names.claim(name))
            return QString("panel %1: bad or repeated name '%2'").arg(p).arg(name);
        ts << "enum { " << name << " = " << uirids::panelId(p) << " };\n";
        const QJsonArray controls = panel.value("controls").toArray();
        for (int c = 0; c < controls.size(); ++c) {
            const QJsonObject ctrl = controls[c].toObject();
            const QString cname = ctrl.value("name").toString();
            const QString full = name + "_" + cname;
            if (!validName(cname) || !names.claim(full))
                return QString("control '%1': bad or repeated name").arg(full);
            const QString type = ctrl.value("type").toString();
            uirt::ControlType parsed;
            if (!uirt::parseControlType(type, &parsed))
                return QString("control '%1': unknown type '%2'").arg(full, type);
            ts << "enum { " << full << " = " << uirids::controlId(c) << " };\n";
        }
        ts << "\n";
    }
    return QString();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return fail("usage: uirgen resource.uir header.h");
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly))
        return fail(QString("cannot read %1").arg(argv[1]));
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(in.readAll(), &err);
    if (doc.isNull())
        return fail(QString("%1: %2 at offset %3").arg(argv[1], err.errorString()).arg(err.offset));
    const QJsonObject root = doc.object();

    QString out;
    QTextStream ts(&out);
    ts << "// Generated from " << QFileInfo(in).fileName() << " by uirgen; do not edit.\n";
    ts << "#pragma once\n\n";
    Names names;
    QString problem = writeMenuBars(root.value("menubars").toArray(), names, ts);
    if (problem.isEmpty())
        problem = writePanels(root.value("panels").toArray(), names, ts);
    if (!problem.isEmpty())
        return fail(problem);
    ts.flush();

    QFile outFile(QString::fromLocal8Bit(argv[2]));
    // Rewrite only when the text changes, so unchanged builds stay incremental.
    if (outFile.open(QIODevice::ReadOnly) && QString::fromUtf8(outFile.readAll()) == out)
        return 0;
    outFile.close();
    if (!outFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(QString("cannot write %1").arg(argv[2]));
    outFile.write(out.toUtf8());
    return 0;
}
