// Row, column, all-edge and PV walks over the in-memory chain.
#include "statelevel/Chain/ChainStateLevel.h"

typedef ChainStateLevel C;

void C::RangeEdge::init(const Grouped* g, bool row_major, int first, int end)
{
    group = g;
    major_is_row = row_major;
    major = first;
    major_end = end;
    pos = first < end ? g->start[first] : 0;
    settle();
}

void C::RangeEdge::settle()
{
    while (major < major_end && pos >= group->start[(size_t)major + 1]) ++major;
    if (major >= major_end) return;
    int other = group->minor[pos];
    cur_row = major_is_row ? major : other;
    cur_col = major_is_row ? other : major;
    cur_rate = group->rate[pos];
}

void C::RangeEdge::nextEdge()
{
    if (atEnd()) return;
    ++pos;
    settle();
}

C::Iterator& C::RangeIterator::operator++()
{
    edge.nextEdge();
    return *this;
}

C::Iterator& C::RangeIterator::operator=(const Iterator& other)
{
    edge = static_cast<const RangeIterator&>(other).edge;
    return *this;
}

void C::RangeIterator::next(EdgeBuffer& buf)
{
    edge.nextEdge();
    fill(buf);
}

void C::RangeIterator::fill(EdgeBuffer& buf)
{
    buf.at_end = edge.atEnd();
    if (buf.at_end) return;
    buf.row = edge.cur_row;
    buf.col = edge.cur_col;
    buf.rate = edge.cur_rate;
}

void C::Range::begin(Iterator* it)
{
    static_cast<RangeIterator*>(it)->edge.init(group, major_is_row, first, end);
}

void C::Range::begin(Iterator* it, EdgeBuffer& buf)
{
    begin(it);
    static_cast<RangeIterator*>(it)->fill(buf);
}

// Binds a range container to the majors [first, end) of a group; indices
// outside the states give an empty selection.
static void bind(C::EdgeBaseContainer* c, const C::Grouped* g, bool row_major, int first, int end,
                 int n)
{
    auto* r = static_cast<C::Range*>(c);
    bool inside = first >= 0 && end <= n && first <= end;
    r->group = g;
    r->major_is_row = row_major;
    r->first = inside ? first : 0;
    r->end = inside ? end : 0;
}

// Every transition, grouped by destination as the flat level hands them out.
void C::getAllEdges(EdgeBaseContainer* c) { bind(c, &columns, false, 0, num_states, num_states); }

void C::getRow(int r, EdgeBaseContainer* c) { bind(c, &rows, true, r, r + 1, num_states); }

void C::getColumn(int col, EdgeBaseContainer* c)
{
    bind(c, &columns, false, col, col + 1, num_states);
}

void C::getPV(PVBaseContainer* c, int pv) { static_cast<PV*>(c)->pairs = &pv_values[pv]; }

C::Iterator& C::PVIterator::operator++()
{
    if (current != stop) ++current;
    return *this;
}

C::Iterator& C::PVIterator::operator=(const Iterator& other)
{
    const auto& o = static_cast<const PVIterator&>(other);
    current = o.current;
    stop = o.stop;
    return *this;
}

void C::PVIterator::next(PVBuffer& buf)
{
    if (current != stop) ++current;
    fill(buf);
}

void C::PVIterator::fill(PVBuffer& buf)
{
    buf.at_end = current == stop;
    if (buf.at_end) return;
    buf.first = current->first;
    buf.second = current->second;
}

void C::PV::begin(Iterator* it)
{
    auto* p = static_cast<PVIterator*>(it);
    p->current = pairs->data();
    p->stop = pairs->data() + pairs->size();
}

void C::PV::begin(Iterator* it, PVBuffer& buf)
{
    begin(it);
    static_cast<PVIterator*>(it)->fill(buf);
}

void C::PV::operator()(int state, PVBuffer& buf)
{
    buf.first = (*pairs)[state].first;
    buf.second = (*pairs)[state].second;
}
