// Row walks over arrays held elsewhere, and the test that every entry is a rate.
#include "python/CsrStateLevel.h"

#include <cfloat>
#include <cmath>

#include "statelevel/RateText.h"

int64_t firstBadEntry(const CsrView& q, std::string& reason)
{
    int64_t row = 0;
    const int64_t entries = q.n > 0 ? q.indptr[q.n] : 0;
    for (int64_t p = 0; p < entries; ++p) {
        while (row < q.n && q.indptr[row + 1] <= p) ++row;
        const double v = q.data[p];
        const int64_t j = q.indices[p];
        if (j < 0 || j >= q.n) {
            reason = "the column is not a state of the chain";
            return p;
        }
        if (j == row) continue;  // the diagonal is the chain's own, whatever is stored there
        if (!std::isfinite(v) || v < 0.0) {
            reason = "a rate is a finite number of at least zero";
            return p;
        }
        if (v != 0.0 && v < DBL_MIN) {
            reason = rate_underflow_reason(v);
            return p;
        }
    }
    return -1;
}

CsrStateLevel::CsrStateLevel(const CsrView& view, int initial, const EntryView& entry)
    : q(view), in(entry), states(view.n + (entry.count > 0 ? 1 : 0)),
      initial_state(entry.count > 0 ? view.n : initial)
{
}

void CsrStateLevel::entry(int row, int64_t p, int& col, double& rate) const
{
    if (row == q.n) {  // the entry state
        col = in.index[p];
        rate = in.weight[p];
        return;
    }
    col = (int)q.indices[p];
    rate = q.data[p];
}

void CsrStateLevel::getRow(int row, EdgeBaseContainer* c)
{
    Row* r = static_cast<Row*>(c);
    r->level = this;
    r->row = row;
}

void CsrStateLevel::Row::begin(Iterator* it)
{
    RowIterator* walk = static_cast<RowIterator*>(it);
    walk->level = level;
    walk->row = row;
    if (row == level->q.n) {
        walk->pos = 0;
        walk->end_pos = level->in.count;
    } else {
        walk->pos = level->q.indptr[row];
        walk->end_pos = level->q.indptr[row + 1];
    }
    walk->fill(nullptr);
}

void CsrStateLevel::Row::begin(Iterator* it, EdgeBuffer& buf)
{
    begin(it);
    static_cast<RowIterator*>(it)->fill(&buf);
}

void CsrStateLevel::RowIterator::fill(EdgeBuffer* buf)
{
    if (pos >= end_pos) {
        if (buf) buf->at_end = true;
        return;
    }
    edge.cur_row = row;
    level->entry(row, pos, edge.cur_col, edge.cur_rate);
    if (!buf) return;
    buf->row = row;
    buf->col = edge.cur_col;
    buf->rate = edge.cur_rate;
    buf->label = 0;
    buf->at_end = false;
}

BaseStateLevel::Iterator& CsrStateLevel::RowIterator::operator++()
{
    ++pos;
    fill(nullptr);
    return *this;
}

void CsrStateLevel::RowIterator::next(EdgeBuffer& buf)
{
    ++pos;
    fill(&buf);
}

BaseStateLevel::Iterator& CsrStateLevel::RowIterator::operator=(const Iterator& other)
{
    const RowIterator& o = static_cast<const RowIterator&>(other);
    level = o.level;
    row = o.row;
    pos = o.pos;
    end_pos = o.end_pos;
    edge = o.edge;
    return *this;
}
