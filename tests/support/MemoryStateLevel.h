// An in-memory state level for tests: edges, PV values and PV types given
// directly, walked through the same container and iterator interface.
#ifndef VELMAR_TESTS_MEMORYSTATELEVEL_H
#define VELMAR_TESTS_MEMORYSTATELEVEL_H

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "statelevel/BaseStateLevel.h"

class MemoryStateLevel : public BaseStateLevel {
public:
    struct Entry {
        int row;
        int col;
        double rate;
    };

    int n = 0;
    int initial = 0;
    std::vector<Entry> edges;                           // in "file" order
    std::vector<std::string> names;                     // PV names
    std::vector<std::vector<PVPair>> values;            // values[pv][state]

    MemoryStateLevel(int states, std::vector<Entry> e) : n(states), edges(std::move(e)) {}

    // Adds a PV with the given per-state rewards (stored as first = v, second = 0) and type.
    void addPV(const std::string& name, const std::vector<double>& v, int type = 3)
    {
        names.push_back(name);
        std::vector<PVPair> pairs;
        for (double x : v) pairs.push_back({x, 0.0});
        values.push_back(pairs);
        setType((int)names.size() - 1, type);
    }

    int getNumberOfStates() override { return n; }
    int getInitialState() override { return initial; }
    int getNumberOfPVs() override { return (int)names.size(); }
    char* getPVName(int pv) override { return const_cast<char*>(names[pv].c_str()); }

    // A selection of edges, walked in order.
    struct Selection : EdgeBaseContainer {
        std::vector<Entry> picked;
        void begin(Iterator* it) override;
        void begin(Iterator* it, EdgeBuffer& buf) override;
    };
    struct Cursor : Edge {
        const std::vector<Entry>* list = nullptr;
        size_t pos = 0;
        Entry cur{0, 0, 0.0};
        int lab = 0;
        int& row() override { return cur.row; }
        int& col() override { return cur.col; }
        double& rate() override { return cur.rate; }
        int& label() override { return lab; }
    };
    struct SelectionIterator : EdgeBaseIterator {
        Cursor edge;
        bool done() const { return edge.list == nullptr || edge.pos >= edge.list->size(); }
        void load() { if (!done()) edge.cur = (*edge.list)[edge.pos]; }
        Iterator& operator++() override { ++edge.pos; load(); return *this; }
        bool end() override { return done(); }
        Iterator& operator=(const Iterator& o) override
        {
            edge = static_cast<const SelectionIterator&>(o).edge;
            return *this;
        }
        Edge* operator->() override { return &edge; }
        void next(EdgeBuffer& buf) override
        {
            ++edge.pos;
            fill(buf);
        }
        void fill(EdgeBuffer& buf)
        {
            load();
            buf.at_end = done();
            if (!buf.at_end) {
                buf.row = edge.cur.row;
                buf.col = edge.cur.col;
                buf.rate = edge.cur.rate;
            }
        }
    };

    // Edges grouped by destination, sources ascending within a destination.
    std::vector<Entry> columnOrder() const
    {
        std::vector<Entry> e = edges;
        std::stable_sort(e.begin(), e.end(), [](const Entry& a, const Entry& b) {
            return a.col != b.col ? a.col < b.col : a.row < b.row;
        });
        return e;
    }

    void getAllEdges(EdgeBaseContainer* c) override
    {
        static_cast<Selection*>(c)->picked = columnOrder();
    }
    void getRow(int r, EdgeBaseContainer* c) override
    {
        auto& p = static_cast<Selection*>(c)->picked;
        p.clear();
        for (const Entry& e : edges)
            if (e.row == r) p.push_back(e);
    }
    void getColumn(int col, EdgeBaseContainer* c) override
    {
        auto& p = static_cast<Selection*>(c)->picked;
        p.clear();
        for (const Entry& e : columnOrder())
            if (e.col == col) p.push_back(e);
    }
    void allocateAllEdgesContainer(EdgeBaseContainer*& c) override { c = new Selection; }
    void deallocateAllEdgesContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateAllEdgesIterator(EdgeBaseIterator*& it) override { it = new SelectionIterator; }
    void deallocateAllEdgesIterator(EdgeBaseIterator* it) override { delete it; }
    void allocateRowContainer(EdgeBaseContainer*& c) override { c = new Selection; }
    void deallocateRowContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateRowIterator(EdgeBaseIterator*& it) override { it = new SelectionIterator; }
    void deallocateRowIterator(EdgeBaseIterator* it) override { delete it; }
    void allocateColumnContainer(EdgeBaseContainer*& c) override { c = new Selection; }
    void deallocateColumnContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateColumnIterator(EdgeBaseIterator*& it) override { it = new SelectionIterator; }
    void deallocateColumnIterator(EdgeBaseIterator* it) override { delete it; }

    void getRowPartition(Partition&) override { throw AccessException(); }
    void getColPartition(Partition&) override { throw AccessException(); }
    void getSubMatrixPartition(Partition&, Partition&) override { throw AccessException(); }
    void getSubMatrix(int, int, int, int, EdgeBaseContainer*) override { throw AccessException(); }
    void allocateSubMatrixContainer(EdgeBaseContainer*& c) override { c = new Selection; }
    void deallocateSubMatrixContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateSubMatrixIterator(EdgeBaseIterator*& it) override { it = new SelectionIterator; }
    void deallocateSubMatrixIterator(EdgeBaseIterator* it) override { delete it; }

    struct PVIter : PVBaseIterator {
        PVPair* cur = nullptr;
        PVPair* stop = nullptr;
        Iterator& operator++() override { ++cur; return *this; }
        bool end() override { return cur == stop; }
        Iterator& operator=(const Iterator& o) override
        {
            cur = static_cast<const PVIter&>(o).cur;
            stop = static_cast<const PVIter&>(o).stop;
            return *this;
        }
        PVPair* operator->() override { return cur; }
        PVPair& operator*() override { return *cur; }
        void next(PVBuffer& buf) override
        {
            ++cur;
            fill(buf);
        }
        void fill(PVBuffer& buf)
        {
            buf.at_end = cur == stop;
            if (!buf.at_end) {
                buf.first = cur->first;
                buf.second = cur->second;
            }
        }
    };
    struct PVSel : PVBaseContainer {
        std::vector<PVPair>* pairs = nullptr;
        void begin(Iterator* it) override
        {
            auto* p = static_cast<PVIter*>(it);
            p->cur = pairs->data();
            p->stop = pairs->data() + pairs->size();
        }
        void begin(Iterator* it, PVBuffer& buf) override
        {
            begin(it);
            static_cast<PVIter*>(it)->fill(buf);
        }
        void operator()(int s, PVBuffer& buf) override
        {
            buf.first = (*pairs)[s].first;
            buf.second = (*pairs)[s].second;
        }
    };
    void getPV(PVBaseContainer* c, int pv) override { static_cast<PVSel*>(c)->pairs = &values[pv]; }
    void allocatePVContainer(PVBaseContainer*& c) override { c = new PVSel; }
    void deallocatePVContainer(PVBaseContainer* c) override { delete c; }
    void allocatePVIterator(PVBaseIterator*& it) override { it = new PVIter; }
    void deallocatePVIterator(PVBaseIterator* it) override { delete it; }
};

inline void MemoryStateLevel::Selection::begin(Iterator* it)
{
    auto* s = static_cast<SelectionIterator*>(it);
    s->edge.list = &picked;
    s->edge.pos = 0;
    s->load();
}

inline void MemoryStateLevel::Selection::begin(Iterator* it, EdgeBuffer& buf)
{
    begin(it);
    static_cast<SelectionIterator*>(it)->fill(buf);
}

#endif
