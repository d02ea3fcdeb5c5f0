#include "res/KinetraIcons.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static void initResourcesOnce()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(kinetra);
        return true;
    }();
    (void)done;
}

void InitKinetraResources()
{
    initResourcesOnce();
}

QIcon KinetraIcon(const QString& name)
{
    initResourcesOnce();
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
}
