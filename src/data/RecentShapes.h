#pragma once
// What an engine prepared for the shapes it ran lately, found by the shape text's address:
// the statement builders hand out the same shared text each time they are called with the
// same choices, so a pointer comparison replaces hashing a few hundred characters. Each
// text found is held here, so that it cannot be freed and its address given to another.
// `tag` tells apart what the same shape was prepared for (the server's value types).
#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <optional>

namespace quendarx {

template <typename Value, std::size_t kSize = 16> class RecentShapes {
public:
    const Value* find(const QString& shape, const QByteArray& tag = {}) const {
        for (const Entry& entry : entries_)
            if (entry.value && entry.shape.constData() == shape.constData() && entry.shape.size() == shape.size() &&
                entry.tag == tag)
                return &*entry.value;
        return nullptr;
    }
    void remember(const QString& shape, Value value, const QByteArray& tag = {}) {
        entries_[next_] = Entry{shape, tag, std::move(value)};
        next_ = (next_ + 1) % kSize;
    }
    void clear() { entries_.fill(Entry{}); }

private:
    struct Entry {
        QString shape;
        QByteArray tag;
        std::optional<Value> value;
    };
    std::array<Entry, kSize> entries_;
    std::size_t next_ = 0;
};

} // namespace quendarx
