#pragma once

#include <QStringView>

#include <vector>

namespace zv::lib {

// A set of paths for the duplicate checks over many rows: open addressing with each path's
// hash kept beside it, so that texts are compared only when their hashes agree. Holds views:
// the strings must outlive the set and must not change while it is used.
class PathSet {
public:
    explicit PathSet(qsizetype expected);
    // False when an equal path is already in the set.
    bool insert(QStringView path);

private:
    void grow();
    void place(quint32 hash, quint32 entry);

    // The table keeps 32 bits of each hash and the entry's number, 8 bytes a slot, so that
    // probing stays in the cache; the views are read only when the kept bits agree.
    struct Slot {
        quint32 hash = 0;
        quint32 entry = 0;  // 1-based index into paths_, 0 when free
    };
    std::vector<Slot> slots_;
    std::vector<QStringView> paths_;
};

} // namespace zv::lib
