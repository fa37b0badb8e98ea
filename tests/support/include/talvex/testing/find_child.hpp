// Tests reach the parts of a window or page the way its code names them: by object name. A missing
// part fails the test at once (gtest reports the exception) and says what it looked for, instead of
// a null pointer crashing the run.
#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

namespace talvex::testing {

struct MissingChild : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The descendant of parent of type T named name (the first one found, depth first).
template <class T>
T* child(const QObject* parent, const QString& name) {
    T* found = parent ? parent->findChild<T*>(name) : nullptr;
    if (!found)
        throw MissingChild("no " + std::string(T::staticMetaObject.className()) + " named \"" +
                           name.toStdString() + "\" in " +
                           (parent ? parent->objectName().toStdString() : std::string("(null)")));
    return found;
}

}  // namespace talvex::testing
