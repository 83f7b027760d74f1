#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace qv {

// An open-addressing hash table with linear probing, kept at most half full, for the indexes of
// the file readers: entries are small values held in one array, so nothing is allocated per
// entry, and the keys need not be stored. Every lookup is given the key's hash and a test of
// whether an entry holds the key, so an entry may be a position or a pointer whose key is read
// from elsewhere (a line of the file, an item's name).
//
// `Traits` tells an empty entry (a value-initialised entry must be one) and gives the hash of an
// entry, which the table needs when it grows:
//   bool IsEmpty(const Entry&) const;  std::uint64_t HashOf(const Entry&) const;
template <typename Entry, typename Traits>
class FlatHashTable
{
public:
    explicit FlatHashTable(Traits traits = {}) : m_traits(std::move(traits)) {}

    // The entry that holds the key, or null.
    template <typename Holds>
    Entry* Find(std::uint64_t hash, const Holds& holds)
    {
        return const_cast<Entry*>(std::as_const(*this).Find(hash, holds));
    }
    template <typename Holds>
    const Entry* Find(std::uint64_t hash, const Holds& holds) const
    {
        if (m_slots.empty())
            return nullptr;
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = Home(hash);; i = (i + 1) & mask) {
            const Entry& entry = m_slots[i];
            if (m_traits.IsEmpty(entry))
                return nullptr;
            if (holds(entry))
                return &entry;
        }
    }

    // The entry that holds the key; when there is none, an empty entry that the caller fills in
    // with the key at once (it then counts as one of the table's entries).
    template <typename Holds>
    Entry& Place(std::uint64_t hash, const Holds& holds)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            Grow();
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = Home(hash);; i = (i + 1) & mask) {
            Entry& entry = m_slots[i];
            if (m_traits.IsEmpty(entry)) {
                ++m_count;
                return entry;
            }
            if (holds(entry))
                return entry;
        }
    }

    // Starts loading the slot where a lookup of the hash begins, for a lookup soon after.
    void Prefetch(std::uint64_t hash) const
    {
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[Home(hash)]);
    }

    std::size_t Size() const { return m_count; }
    bool Empty() const { return m_count == 0; }

    void Clear()
    {
        m_slots.clear();
        m_count = 0;
        m_shift = 64;
    }

    // Room for `count` entries without growing.
    void Reserve(std::size_t count)
    {
        while (count * 2 > m_slots.size())
            Grow();
    }

private:
    // Fibonacci hashing: the high bits of the product depend on every bit of the hash, so hashes
    // that differ only in their high bits (or pointers, alike in their low bits) spread out.
    std::size_t Home(std::uint64_t hash) const
    {
        return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ull) >> m_shift);
    }

    void Grow()
    {
        std::vector<Entry> old = std::move(m_slots);
        const std::size_t size = old.empty() ? 16 : old.size() * 2;
        m_slots.assign(size, Entry{});
        m_shift = 64;
        for (std::size_t s = size; s > 1; s >>= 1)
            --m_shift;
        const std::size_t mask = size - 1;
        for (const Entry& entry : old) {
            if (m_traits.IsEmpty(entry))
                continue;
            std::size_t i = Home(m_traits.HashOf(entry));
            while (!m_traits.IsEmpty(m_slots[i]))
                i = (i + 1) & mask;
            m_slots[i] = entry;
        }
    }

    Traits m_traits;
    std::vector<Entry> m_slots;
    std::size_t m_count = 0;
    int m_shift = 64;
};

} // namespace qv
