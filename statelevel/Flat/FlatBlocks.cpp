// Partitions of the states, the conversion of the per-major storage into one
// packed coordinate list per block, and the block walks.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "statelevel/Flat/FlatStateLevel.h"

typedef FlatStateLevel F;

// Above this many entries per major index the range search bisects.
static const int SCAN_LIMIT = 15;

// Boundary k of m blocks over n states: floor(k n / m) in 64-bit arithmetic.
static int blockBound(long long k, long long n, long long m)
{
    if (m <= 0) return 0;
    return (int)(k * n / m);
}

// Fills bounds[0..m] for the requested number of blocks m.
static void fillPartition(Partition& p, int n)
{
    p.num_blocks = p.num_requested > 0 ? p.num_requested : 0;
    p.bounds = new int[p.num_blocks + 1];
    for (int k = 0; k <= p.num_blocks; ++k) p.bounds[k] = blockBound(k, n, p.num_blocks);
}

// A copy of the partition with its own boundary array.
static Partition keepPartition(const Partition& p)
{
    Partition kept = p;
    kept.bounds = new int[p.num_blocks + 1];
    std::copy(p.bounds, p.bounds + p.num_blocks + 1, kept.bounds);
    return kept;
}

void F::getRowPartition(Partition& p) { fillPartition(p, num_states); }

void F::getColPartition(Partition& p) { fillPartition(p, num_states); }

void F::getSubMatrixPartition(Partition& first, Partition& second)
{
    requireMajorStorage();  // a second conversion finds no per-major storage
    getColPartition(second);
    getColPartition(first);
    releaseBlocks();
    minor_partition = keepPartition(second);
    major_partition = keepPartition(first);
    transformDSForBlockAccess();
}

void F::getSubMatrix(int a, int b, int c, int d, EdgeBaseContainer* container)
{
    auto* block = static_cast<SubMatrix*>(container);
    block->bound[0] = a;
    block->bound[1] = b;
    block->bound[2] = c;
    block->bound[3] = d;
    block->level = this;
}

void F::getSubMatrixAux(int a, int b, int c, int d, EdgeBaseContainer* container)
{
    auto* range = static_cast<SubMatrixAux*>(container);
    range->bound[0] = a;
    range->bound[1] = b;
    range->bound[2] = c;
    range->bound[3] = d;
    range->level = this;
}

// Ends the run: the bounds name no block of the kept partitions.
[[noreturn]] static void noSuchBlock()
{
    printf("There has been an access to a block for which the optimized data structure "
           "has not been computed.\n");
    fflush(stdout);
    exit(1);
}

// Number of the block of m blocks over n states that starts at a, if (a, b)
// is exactly that block; -1 otherwise.
static int blockNumber(int a, int b, int n, int m)
{
    if (m <= 0 || n <= 0) return -1;
    int r = (int)std::ceil((double)a * m / n);
    if (r < 0 || r >= m) return -1;
    if (a != blockBound(r, n, m) || b != blockBound(r + 1, n, m)) return -1;
    return r;
}

void F::SubMatrixEdge::init(BaseStateLevel* l, SubMatrix* c)
{
    level = static_cast<FlatStateLevel*>(l);
    container = c;
    if (!level->block_access_ready) noSuchBlock();
    const int n = level->num_states;
    int r = blockNumber(c->bound[0], c->bound[1], n, level->major_partition.num_blocks);
    int t = blockNumber(c->bound[2], c->bound[3], n, level->minor_partition.num_blocks);
    if (r < 0 || t < 0) noSuchBlock();
    size_t b = (size_t)r + (size_t)level->major_partition.num_blocks * (size_t)t;
    entries_left = level->block_size[b];
    col_at = level->block_cols[b];
    row_at = level->block_rows[b];
    rate_at = level->block_rates[b];
}

void F::SubMatrixEdge::nextEdge()
{
    if (entries_left == 0) return;
    ++col_at;
    ++row_at;
    ++rate_at;
    --entries_left;
}

void F::SubMatrix::begin(Iterator* it)
{
    static_cast<SubMatrixIterator*>(it)->edge.init(level, this);
}

void F::SubMatrix::begin(Iterator* it, EdgeBuffer& buf)
{
    begin(it);
    static_cast<SubMatrixIterator*>(it)->fill(buf);
}

// First position in the ascending a[0..n) holding at least v.
static int firstAtLeast(const int* a, int n, int v)
{
    if (n <= SCAN_LIMIT) {
        int k = 0;
        while (k < n && a[k] < v) ++k;
        return k;
    }
    int lo = 0, hi = n;
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        if (a[mid] < v)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void F::SubMatrixAuxEdge::init(BaseStateLevel* l, SubMatrixAux* c)
{
    level = static_cast<FlatStateLevel*>(l);
    container = c;
    at_end = false;
    major = c->bound[0];
    update_end_flag();
}

// From the current major index on, finds the next non-empty run of entries
// whose minor index lies in the minor range.
void F::SubMatrixAuxEdge::update_end_flag()
{
    const int lo = container->bound[2], hi = container->bound[3];
    for (; major < container->bound[1]; ++major) {
        const int size = level->major_size[major];
        const int* m = level->minor_index[major];
        if (size == 0) continue;
        int from = firstAtLeast(m, size, lo);
        int to = from + firstAtLeast(m + from, size - from, hi);
        if (to == from) continue;
        entries_left = to - from;
        minor = level->minor_index[major] + from;
        rate_at = level->rates[major] + from;
        at_end = false;
        return;
    }
    at_end = true;
}

void F::SubMatrixAuxEdge::nextEdge()
{
    if (at_end) return;
    ++minor;
    ++rate_at;
    if (--entries_left > 0) return;
    ++major;
    update_end_flag();
}

void F::SubMatrixAux::begin(Iterator* it)
{
    static_cast<SubMatrixAuxIterator*>(it)->edge.init(level, this);
}

void F::SubMatrixAux::begin(Iterator* it, EdgeBuffer& buf)
{
    begin(it);
    static_cast<SubMatrixAuxIterator*>(it)->fill(buf);
}

// Packs every block with two passes of the auxiliary walk, releasing each
// band of major indices as soon as its blocks are done. The storage must be
// in column order, where sources ascend within each column.
void F::transformDSForBlockAccess()
{
    if (orientation != COLUMN_ORIENTATION) switch_orientation(COLUMN_ORIENTATION);
    const int mM = major_partition.num_blocks, mm = minor_partition.num_blocks;
    const size_t count = (size_t)mM * (size_t)mm;
    block_rates.assign(count, nullptr);
    block_cols.assign(count, nullptr);
    block_rows.assign(count, nullptr);
    block_size.assign(count, 0);
    SubMatrixAux range;
    SubMatrixAuxIterator walk;
    EdgeBuffer buf;
    for (int r = 0; r < mM; ++r) {
        const int* M = major_partition.bounds;
        for (int t = 0; t < mm; ++t) {
            const int* m = minor_partition.bounds;
            getSubMatrixAux(M[r], M[r + 1], m[t], m[t + 1], &range);
            int entries = 0;
            for (range.begin(&walk, buf); !buf.at_end; walk.next(buf)) ++entries;
            if (entries == 0) continue;
            size_t b = (size_t)r + (size_t)mM * (size_t)t;
            block_size[b] = entries;
            block_rates[b] = new double[entries];
            block_cols[b] = new int[entries];
            block_rows[b] = new int[entries];
            int k = 0;
            for (range.begin(&walk, buf); !buf.at_end; walk.next(buf), ++k) {
                block_rates[b][k] = buf.rate;
                block_cols[b][k] = buf.col;
                block_rows[b][k] = buf.row;
            }
        }
        for (int h = M[r]; h < M[r + 1]; ++h) {
            releaseMajor(h);
        }
    }
    releaseMajorStorage();
    block_access_ready = true;
}
