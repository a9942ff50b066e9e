#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <functional>
#include <string>

namespace testsupport {

// Pumps events until `done` holds or `timeoutMs` passes; returns whether it held.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Path of a fixture under tests/data.
std::string dataPath(const std::string& name);

// A fresh directory for one test's files, removed with the object.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    std::string path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

} // namespace testsupport
