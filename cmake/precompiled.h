// Headers nearly every translation unit parses, compiled once per target (CMake's
// precompiled headers): Qt's core types everywhere, its widgets where the target sees them.
// Only library headers belong here, never the tree's own (a change to one would rebuild all).
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#if __has_include(<QWidget>)
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#endif

#if __has_include(<QTest>)
#include <QTest>
#include <gtest/gtest.h>
#endif
