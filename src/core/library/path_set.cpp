#include "core/library/path_set.h"

#include <QHashFunctions>

#include <algorithm>

namespace zv::lib {

namespace {

size_t capacityFor(qsizetype expected)
{
    size_t capacity = 16;
    while (capacity < size_t(expected) * 2)
        capacity *= 2;
    return capacity;
}

} // namespace

PathSet::PathSet(qsizetype expected) : slots_(capacityFor(expected))
{
    paths_.reserve(size_t(std::max<qsizetype>(expected, 0)));
}

bool PathSet::insert(QStringView path)
{
    if ((paths_.size() + 1) * 4 > slots_.size() * 3)
        grow();
    const quint32 h = quint32(qHash(path));
    const size_t mask = slots_.size() - 1;
    for (size_t s = h & mask;; s = (s + 1) & mask) {
        const Slot slot = slots_[s];
        if (slot.entry == 0) {
            paths_.push_back(path);
            slots_[s] = {h, quint32(paths_.size())};
            return true;
        }
        if (slot.hash == h && paths_[slot.entry - 1] == path)
            return false;
    }
}

void PathSet::grow()
{
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot &o : old) {
        if (o.entry != 0)
            place(o.hash, o.entry);
    }
}

void PathSet::place(quint32 hash, quint32 entry)
{
    const size_t mask = slots_.size() - 1;
    size_t s = hash & mask;
    while (slots_[s].entry != 0)
        s = (s + 1) & mask;
    slots_[s] = {hash, entry};
}

} // namespace zv::lib
