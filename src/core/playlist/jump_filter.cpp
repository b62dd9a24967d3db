#include "core/playlist/jump_filter.h"

#include <algorithm>

namespace zv {

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 0x20 || c.category() == QChar::Other_Control;
}

} // namespace

QString normalizeJumpSearch(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    QString out;
    out.reserve(end - begin);
    for (qsizetype i = begin; i < end; ++i) {
        if (text[i] == u' ' && out.endsWith(u' '))
            continue;
        out += text[i];
    }
    return out;
}

void JumpFilter::setNames(const QStringList &names)
{
    names_ = names;
    lowered_.clear();
    lowered_.reserve(names.size());
    for (const QString &n : names)
        lowered_ << n.toLower();
    start(QString());
}

void JumpFilter::start(const QString &searchText)
{
    search_ = normalizeJumpSearch(searchText);
    words_ = search_.isEmpty() ? QStringList() : search_.toLower().split(u' ');
    matches_.clear();
    next_ = 0;
    if (words_.isEmpty()) {
        matches_.reserve(names_.size());
        for (int i = 0; i < names_.size(); ++i)
            matches_ << i;
        next_ = names_.size();
    }
}

bool JumpFilter::step(qsizetype budget)
{
    const qsizetype stop = std::min(names_.size(), next_ + std::max<qsizetype>(budget, 1));
    for (; next_ < stop; ++next_) {
        const QString &name = lowered_[next_];
        const bool all = std::all_of(words_.cbegin(), words_.cend(),
                                     [&name](const QString &w) { return name.contains(w); });
        if (all)
            matches_ << int(next_);
    }
    return done();
}

QList<int> JumpFilter::filter(const QString &searchText)
{
    start(searchText);
    step(names_.size());
    return matches_;
}

int jumpKeyRow(JumpKey key, int selected, int count)
{
    if (count <= 0)
        return -1;
    const int last = count - 1;
    int row = selected;
    switch (key) {
    case JumpKey::Down: row = selected + 1; break;
    case JumpKey::Up: row = selected > 0 ? selected - 1 : selected; break;
    case JumpKey::PageUp: row = selected - 12 < 12 ? 0 : selected - 12; break;
    case JumpKey::PageDown: row = selected + 12 > count - 12 ? last : selected + 12; break;
    }
    return std::clamp(row, selected < 0 && key == JumpKey::Up ? -1 : 0, last);
}

} // namespace zv
