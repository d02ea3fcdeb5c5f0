#pragma once

#include <QIcon>
#include <QString>

// The program's icons, compiled in from res/icons as SVG ("open" is
// ":/icons/open.svg"), so they stay sharp at any scale.
QIcon KinetraIcon(const QString& name);

// Makes the compiled-in resources reachable; the resource library is
// static, so nothing pulls its initialiser in otherwise. Safe to call often.
void InitKinetraResources();
