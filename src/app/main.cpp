#include <engine/cmengine.h>
#include <prompter/cmprompterview.h>

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication::setOrganizationName(u"Orvelle Software"_s);
    QApplication::setApplicationName(u"Cuemaster"_s);
    QApplication::setApplicationDisplayName(u"OVS Cuemaster"_s);
    QApplication::setApplicationVersion(QStringLiteral(CM_VERSION));
    QApplication app(argc, argv);

    // A plain host for the prompter picture until the main window arrives.
    CMPrompterView window(CMEngine::shared(), true);
    window.setWindowTitle(u"OVS Cuemaster"_s);
    window.resize(1280, 720);
    window.show();
    return app.exec();
}
