#pragma once
// The table both resource caches keep: entries by the path exactly as the caller spelled it, each
// counting its users.
#include <cstring>
#include <map>
#include <string>

namespace hc {

template <class Entry>
class CacheTable {
public:
    std::map<std::string, Entry*> entries;

    // Files a freshly loaded entry under its path with one user.
    void add(const std::string& path, Entry* entry) {
        std::strncpy(entry->name, path.c_str(), sizeof entry->name - 1);
        entry->referenceCount = 1;
        entries[path] = entry;
    }

    // Drops one user; true when that was the last, the entry is forgotten and the caller frees it.
    bool drop(Entry* entry) {
        if (entry->referenceCount > 1) {
            entry->referenceCount -= 1;
            return false;
        }
        // Forget the entry under whatever key holds it: names are cut at 63 bytes, keys are not.
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (it->second == entry) {
                entries.erase(it);
                break;
            }
        }
        return true;
    }
};

}  // namespace hc
