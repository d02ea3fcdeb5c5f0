#include "app/CKinetraApp.h"
#include "res/Resource.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Halvorek"));
    QApplication::setApplicationName(QStringLiteral("Kinetra"));
    RegisterKinetraStrings();

    CKinetraApp kinetra;
    if (!kinetra.InitInstance(QApplication::arguments().mid(1)))
        return kinetra.ExitCode();
    return QApplication::exec();
}
