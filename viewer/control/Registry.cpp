#include "viewer/control/Registry.h"

#include <algorithm>

namespace viewer::control {

namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool sameNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

bool Registry::NoCase::operator()(const std::string& a, const std::string& b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

void Registry::createKey(const std::string& path)
{
    for (size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
        const std::string prefix = path.substr(0, end);
        if (!m_keys.count(prefix))
            m_keys[prefix].path = prefix;
        if (end == std::string::npos)
            break;
    }
}

void Registry::setValue(const std::string& path, const std::string& name, const std::string& value)
{
    createKey(path);
    m_keys[path].values[name] = value;
}

bool Registry::hasKey(const std::string& path) const
{
    return m_keys.count(path) > 0;
}

std::optional<std::string> Registry::value(const std::string& path, const std::string& name) const
{
    auto key = m_keys.find(path);
    if (key == m_keys.end())
        return std::nullopt;
    auto v = key->second.values.find(name);
    if (v == key->second.values.end())
        return std::nullopt;
    return v->second;
}

std::map<std::string, std::string> Registry::values(const std::string& path) const
{
    auto key = m_keys.find(path);
    if (key == m_keys.end())
        return {};
    return {key->second.values.begin(), key->second.values.end()};
}

std::vector<std::string> Registry::keys() const
{
    std::vector<std::string> out;
    for (const auto& [path, key] : m_keys)
        out.push_back(key.path);
    return out;
}

bool Registry::hasSubkeys(const std::string& path) const
{
    // Keys are ordered without case, so the subkeys of `path` follow `path\` directly.
    const std::string prefix = path + '\\';
    auto next = m_keys.lower_bound(prefix);
    return next != m_keys.end() && sameNoCase(next->first.substr(0, prefix.size()), prefix);
}

bool Registry::deleteKey(const std::string& path)
{
    if (!hasKey(path))
        return true;
    if (hasSubkeys(path))
        return false;
    m_keys.erase(path);
    return true;
}

void Registry::deleteTree(const std::string& path)
{
    const std::string prefix = path + '\\';
    for (auto it = m_keys.lower_bound(prefix);
         it != m_keys.end() && sameNoCase(it->first.substr(0, prefix.size()), prefix);)
        it = m_keys.erase(it);
    m_keys.erase(path);
}

bool Registry::operator==(const Registry& other) const
{
    if (m_keys.size() != other.m_keys.size())
        return false;
    return std::equal(
        m_keys.begin(), m_keys.end(), other.m_keys.begin(), [](const auto& a, const auto& b) {
            return sameNoCase(a.first, b.first) &&
                   a.second.values.size() == b.second.values.size() &&
                   std::equal(a.second.values.begin(), a.second.values.end(),
                              b.second.values.begin(), [](const auto& x, const auto& y) {
                                  return sameNoCase(x.first, y.first) && x.second == y.second;
                              });
        });
}

} // namespace viewer::control
