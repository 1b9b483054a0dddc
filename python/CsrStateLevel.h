// A state level over a rate matrix in compressed sparse rows that its owner keeps in memory
// (numpy's arrays behind a scipy matrix): rows are walked in place, nothing is copied. The
// solver reads a chain by rows only; column, block and PV walks are not served. An entry
// distribution may be added as one more state, numbered last, whose rates lead into the
// states it gives weight to: the probability of ending in each closed class from that state
// is the distribution's mixture of those from its states.
#ifndef VELMAR_PYTHON_CSRSTATELEVEL_H
#define VELMAR_PYTHON_CSRSTATELEVEL_H

#include <cstdint>
#include <string>

#include "statelevel/BaseStateLevel.h"

// One array of indices, 32 or 64 bits wide, read in place.
struct IndexArray {
    const int32_t* narrow = nullptr;
    const int64_t* wide = nullptr;
    int64_t operator[](int64_t p) const { return narrow ? (int64_t)narrow[p] : wide[p]; }
};

// The matrix's arrays: row i holds indices[indptr[i] .. indptr[i+1]) with rates data[...].
struct CsrView {
    int n = 0;
    IndexArray indptr;
    IndexArray indices;
    const double* data = nullptr;
};

// The entry distribution: weight[k] on state index[k], count entries.
struct EntryView {
    int count = 0;
    const int32_t* index = nullptr;
    const double* weight = nullptr;
};

// The first entry of a view off the diagonal that is not a rate (negative, NaN, infinite, or
// below the smallest normal number while not 0), or whose column is not a state; -1 when there
// is none. The row pointers must rise from 0.
int64_t firstBadEntry(const CsrView& q, std::string& reason);

class CsrStateLevel : public BaseStateLevel {
public:
    // A walk of one row.
    class RowEdge : public Edge {
    public:
        int cur_row = 0, cur_col = 0, label_slot = 0;
        double cur_rate = 0.0;
        int& row() override { return cur_row; }
        int& col() override { return cur_col; }
        double& rate() override { return cur_rate; }
        int& label() override { return label_slot; }
    };

    class RowIterator : public EdgeBaseIterator {
    public:
        const CsrStateLevel* level = nullptr;
        int row = 0;
        int64_t pos = 0, end_pos = 0;
        RowEdge edge;
        Iterator& operator++() override;
        bool end() override { return pos >= end_pos; }
        Iterator& operator=(const Iterator& other) override;
        Edge* operator->() override { return &edge; }
        void next(EdgeBuffer& buf) override;
        // Loads the current entry into the edge and the buffer, or marks the end.
        void fill(EdgeBuffer* buf);
    };

    class Row : public EdgeBaseContainer {
    public:
        const CsrStateLevel* level = nullptr;
        int row = 0;
        void begin(Iterator* it) override;
        void begin(Iterator* it, EdgeBuffer& buf) override;
    };

    // The chain of q; with an entry distribution, its state q.n enters the chain by it and is
    // the initial state, otherwise the initial state is `initial`.
    CsrStateLevel(const CsrView& q, int initial, const EntryView& entry = EntryView());

    int getNumberOfStates() override { return states; }
    int getInitialState() override { return initial_state; }
    int getNumberOfPVs() override { return 0; }
    char* getPVName(int) override { throw AccessException(); }

    bool rowsAtHand() override { return true; }
    void getRow(int row, EdgeBaseContainer* c) override;
    void allocateRowContainer(EdgeBaseContainer*& c) override { c = new Row; }
    void deallocateRowContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateRowIterator(EdgeBaseIterator*& it) override { it = new RowIterator; }
    void deallocateRowIterator(EdgeBaseIterator* it) override { delete it; }

    void getAllEdges(EdgeBaseContainer*) override { throw AccessException(); }
    void allocateAllEdgesContainer(EdgeBaseContainer*& c) override { c = new Row; }
    void deallocateAllEdgesContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateAllEdgesIterator(EdgeBaseIterator*& it) override { it = new RowIterator; }
    void deallocateAllEdgesIterator(EdgeBaseIterator* it) override { delete it; }
    void getColumn(int, EdgeBaseContainer*) override { throw AccessException(); }
    void allocateColumnContainer(EdgeBaseContainer*& c) override { c = new Row; }
    void deallocateColumnContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateColumnIterator(EdgeBaseIterator*& it) override { it = new RowIterator; }
    void deallocateColumnIterator(EdgeBaseIterator* it) override { delete it; }
    void getRowPartition(Partition&) override { throw AccessException(); }
    void getColPartition(Partition&) override { throw AccessException(); }
    void getSubMatrixPartition(Partition&, Partition&) override { throw AccessException(); }
    void getSubMatrix(int, int, int, int, EdgeBaseContainer*) override { throw AccessException(); }
    void allocateSubMatrixContainer(EdgeBaseContainer*& c) override { c = new Row; }
    void deallocateSubMatrixContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateSubMatrixIterator(EdgeBaseIterator*& it) override { it = new RowIterator; }
    void deallocateSubMatrixIterator(EdgeBaseIterator* it) override { delete it; }
    void getPV(PVBaseContainer*, int) override { throw AccessException(); }
    void allocatePVContainer(PVBaseContainer*&) override { throw AccessException(); }
    void deallocatePVContainer(PVBaseContainer*) override {}
    void allocatePVIterator(PVBaseIterator*&) override { throw AccessException(); }
    void deallocatePVIterator(PVBaseIterator*) override {}

private:
    friend class RowIterator;
    // The target and rate of entry p of row `row`.
    void entry(int row, int64_t p, int& col, double& rate) const;

    CsrView q;
    EntryView in;
    int states = 0;
    int initial_state = 0;
};

#endif
