#include <engine/cmengine.h>
#include <engine/cmmath.h>

#include <QApplication>
#include <QLabel>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication::setOrganizationName(u"Orvelle Software"_s);
    QApplication::setApplicationName(u"Cuemaster"_s);
    QApplication::setApplicationDisplayName(u"OVS Cuemaster"_s);
    QApplication::setApplicationVersion(QStringLiteral(CM_VERSION));
    QApplication app(argc, argv);

    CMEngine &engine = CMEngine::shared();
    QLabel window(u"%1 words"_s.arg(CMMath::words(engine.script())));
    window.setWindowTitle(u"OVS Cuemaster"_s);
    window.resize(1400, 900);
    window.setAlignment(Qt::AlignCenter);
    window.show();
    return app.exec();
}
