// Packing the rows: the distinct values are found by their bit patterns, so -0.0 and 0.0 (and
// any NaN) keep their own codes and every value comes back exactly as it was.
#include "methods/PackedRows.h"

#include "methods/PairedSweep.h"

#include <cstring>

#include "chain/Generator.h"

namespace {

const size_t codedLimit = 65536;  // distinct values two-byte codes can name

uint64_t bitsOf(double v)
{
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// The distinct values met so far and their codes, in open addressing; it stops taking values
// once there are more than codedLimit of them.
class ValueCodes {
public:
    ValueCodes() : slots(4 * codedLimit, empty) {}

    // The code of v, given on first sight; false when the table is full.
    bool code(double v, uint32_t& c)
    {
        const uint64_t bits = bitsOf(v);
        if (bits == lastBits && haveLast) {
            c = lastCode;
            return true;
        }
        size_t h = (size_t)((bits * 0x9E3779B97F4A7C15ull) >> 46) & (slots.size() - 1);
        for (;; h = (h + 1) & (slots.size() - 1)) {
            const uint32_t s = slots[h];
            if (s == empty) break;
            if (bitsOf(values[s]) == bits) {
                remember(bits, s, c);
                return true;
            }
        }
        if (values.size() == codedLimit) return false;
        slots[h] = (uint32_t)values.size();
        values.push_back(v);
        remember(bits, slots[h], c);
        return true;
    }

    std::vector<double> values;

private:
    void remember(uint64_t bits, uint32_t s, uint32_t& c)
    {
        lastBits = bits;
        lastCode = s;
        haveLast = true;
        c = s;
    }
    static constexpr uint32_t empty = 0xFFFFFFFFu;
    std::vector<uint32_t> slots;
    uint64_t lastBits = 0;
    uint32_t lastCode = 0;
    bool haveLast = false;
};

// The structure of a without its diagonal: starts, upper parts, columns and the diagonal.
void packStructure(const SparseRows& a, PackedRows& p)
{
    p.n = a.n;
    p.start.assign(a.n + 1, 0);
    p.upper.assign(a.n, 0);
    p.diagonal.assign(a.n, 0.0);
    p.col.resize(a.entries() - a.n);
    int64_t k = 0;
    for (int i = 0; i < a.n; ++i) {
        p.start[i] = k;
        for (int64_t q = a.start[i]; q < a.start[i + 1]; ++q) {
            if (q == a.diagonal[i]) {
                p.upper[i] = k;
                p.diagonal[i] = a.val[q];
                continue;
            }
            p.col[k++] = a.col[q];
        }
    }
    p.start[a.n] = k;
}

// Codes for every off-diagonal value of a in order, or false when there are too many values.
bool codeValues(const SparseRows& a, std::vector<uint16_t>& codes, ValueCodes& table)
{
    codes.resize(a.entries() - a.n);
    int64_t k = 0;
    for (int i = 0; i < a.n; ++i)
        for (int64_t q = a.start[i]; q < a.start[i + 1]; ++q) {
            if (q == a.diagonal[i]) continue;
            uint32_t c = 0;
            if (!table.code(a.val[q], c)) return false;
            codes[k++] = (uint16_t)c;
        }
    return true;
}

}  // namespace

PackedRows packRows(const SparseRows& a)
{
    PackedRows p;
    packStructure(a, p);
    ValueCodes table;
    std::vector<uint16_t> codes;
    if (!codeValues(a, codes, table)) {
        std::vector<uint16_t>().swap(codes);
        p.codeBytes = 8;
        p.plain.resize(p.col.size());
        int64_t k = 0;
        for (int i = 0; i < a.n; ++i)
            for (int64_t q = a.start[i]; q < a.start[i + 1]; ++q)
                if (q != a.diagonal[i]) p.plain[k++] = a.val[q];
        return p;
    }
    p.table = std::move(table.values);
    if (p.table.size() > 256) {
        p.codeBytes = 2;
        p.code16.swap(codes);
        return p;
    }
    p.codeBytes = 1;
    p.code8.assign(codes.begin(), codes.end());
    return p;
}

PackedRows packTransposed(const Generator& q)
{
    PackedRows p;
    const int n = q.n;
    p.n = n;
    p.start.assign(n + 1, 0);
    for (int64_t e = 0; e < q.transitions(); ++e)
        if (q.rate[e] != 0.0) ++p.start[q.target[e] + 1];
    for (int k = 0; k < n; ++k) p.start[k + 1] += p.start[k];
    const int64_t entries = p.start[n];
    // the form first: codes while the distinct rates are few enough
    ValueCodes table;
    bool coded = true;
    for (int64_t e = 0; e < q.transitions() && coded; ++e) {
        uint32_t c = 0;
        if (q.rate[e] != 0.0) coded = table.code(q.rate[e], c);
    }
    p.codeBytes = !coded ? 8 : table.values.size() > 256 ? 2 : 1;
    if (p.codeBytes == 1) p.code8.resize(entries);
    if (p.codeBytes == 2) p.code16.resize(entries);
    if (p.codeBytes == 8) p.plain.resize(entries);
    p.col.resize(entries);
    // by source in increasing order: every row's columns come out sorted
    std::vector<int64_t> at(p.start.begin(), p.start.end() - 1);
    for (int i = 0; i < n; ++i)
        for (int64_t e = q.start[i]; e < q.start[i + 1]; ++e) {
            if (q.rate[e] == 0.0) continue;
            const int64_t k = at[q.target[e]]++;
            p.col[k] = i;
            uint32_t c = 0;
            if (p.codeBytes == 8) p.plain[k] = q.rate[e];
            else table.code(q.rate[e], c);
            if (p.codeBytes == 1) p.code8[k] = (uint8_t)c;
            if (p.codeBytes == 2) p.code16[k] = (uint16_t)c;
        }
    std::vector<int64_t>().swap(at);
    p.table = std::move(table.values);
    if (p.codeBytes == 8) p.table.clear();
    p.upper.resize(n);
    p.diagonal.resize(n);
    for (int k = 0; k < n; ++k) {
        int64_t u = p.start[k];
        while (u < p.start[k + 1] && p.col[u] < k) ++u;
        p.upper[k] = u;
        p.diagonal[k] = -q.exitRate[k];
    }
    return p;
}

std::vector<int64_t> startsWithDiagonal(const PackedRows& p)
{
    std::vector<int64_t> s(p.start.size());
    for (size_t i = 0; i < s.size(); ++i) s[i] = p.start[i] + (int64_t)i;
    return s;
}

int64_t PackedRows::bytes() const
{
    return (int64_t)(start.size() + upper.size() + diagonal.size() + table.size() + plain.size()) * 8 +
           (int64_t)col.size() * 4 + (int64_t)code8.size() + (int64_t)code16.size() * 2;
}

double PackedRows::value(int64_t k) const
{
    if (codeBytes == 1) return table[code8[k]];
    if (codeBytes == 2) return table[code16[k]];
    return plain[k];
}

void sorSweep(const PackedRows& a, const std::vector<double>& b, double omega, std::vector<double>& x)
{
    withValues(a, [&](auto v) { pairedSweep(a, v, b.data(), omega, 0, a.n, x.data(), CurrentValues{x.data()}, nullptr); });
}
