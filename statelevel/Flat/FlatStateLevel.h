// The state level over the flat state-space files: the rate matrix held as
// one (minor index, rate) array pair per major index, in row or column
// order, with row, column, all-edge, PV and block walks.
#ifndef VELMAR_FLATSTATELEVEL_H
#define VELMAR_FLATSTATELEVEL_H

#include <cstddef>
#include <string>
#include <vector>

#include "statelevel/BaseStateLevel.h"

class FlatTokenReader;
class VarScan;

class FlatStateLevel : public BaseStateLevel {
public:
    enum TOrientation { ROW_ORIENTATION = 0, COLUMN_ORIENTATION = 1 };

    // Position of a walk over one major index: shared by row and column edges.
    struct MajorCursor {
        int entries_left = 0;
        int major = 0;
        int* minor = nullptr;
        double* rate_at = nullptr;
        int label_slot = 0;
        FlatStateLevel* level = nullptr;
        void place(BaseStateLevel* l, int m);
        bool atEnd() const { return entries_left == 0; }
        void nextEdge();
    };

    class RowOrientedEdge : public Edge, public MajorCursor {
    public:
        void init(BaseStateLevel* l, int r) { place(l, r); }
        int& row() override { return major; }
        int& col() override { return *minor; }
        double& rate() override { return *rate_at; }
        int& label() override { return label_slot; }
    };

    class ColumnOrientedEdge : public Edge, public MajorCursor {
    public:
        void init(BaseStateLevel* l, int c) { place(l, c); }
        int& row() override { return *minor; }
        int& col() override { return major; }
        double& rate() override { return *rate_at; }
        int& label() override { return label_slot; }
    };

    // Walks the whole matrix, column by column, skipping empty columns.
    class OrderlessEdge : public Edge {
    public:
        int n = 0;
        int entries_left = 0;
        bool at_end = true;
        int column_index = 0;
        int* minor = nullptr;
        double* rate_at = nullptr;
        int label_slot = 0;
        FlatStateLevel* level = nullptr;

        void setModel(BaseStateLevel* l);
        void init(BaseStateLevel* l);
        void nextEdge();
        bool atEnd() const { return at_end; }
        int& row() override { return *minor; }
        int& col() override { return column_index; }
        double& rate() override { return *rate_at; }
        int& label() override { return label_slot; }

    private:
        void seekColumn();
    };

    class SubMatrix;
    class SubMatrixAux;

    // Walks the packed entries of one block.
    class SubMatrixEdge : public Edge {
    public:
        int entries_left = 0;
        int* col_at = nullptr;
        int* row_at = nullptr;
        double* rate_at = nullptr;
        int label_slot = 0;
        FlatStateLevel* level = nullptr;
        SubMatrix* container = nullptr;

        void init(BaseStateLevel* l, SubMatrix* c);
        void nextEdge();
        bool atEnd() const { return entries_left == 0; }
        int& row() override { return *row_at; }
        int& col() override { return *col_at; }
        double& rate() override { return *rate_at; }
        int& label() override { return label_slot; }
    };

    // Walks the entries of a major range whose minor index lies in a minor range.
    class SubMatrixAuxEdge : public Edge {
    public:
        bool at_end = true;
        int entries_left = 0;
        int major = 0;
        int* minor = nullptr;
        double* rate_at = nullptr;
        int label_slot = 0;
        FlatStateLevel* level = nullptr;
        SubMatrixAux* container = nullptr;

        void init(BaseStateLevel* l, SubMatrixAux* c);
        void nextEdge();
        void update_end_flag();
        bool atEnd() const { return at_end; }
        int& row() override { return *minor; }
        int& col() override { return major; }
        double& rate() override { return *rate_at; }
        int& label() override { return label_slot; }
    };

    // One iterator shape for every edge kind: the edge holds the position.
    template <class EdgeT>
    class WalkIterator : public EdgeBaseIterator {
    public:
        EdgeT edge;
        Iterator& operator++() override
        {
            edge.nextEdge();
            return *this;
        }
        bool end() override { return edge.atEnd(); }
        Iterator& operator=(const Iterator& other) override
        {
            edge = static_cast<const WalkIterator&>(other).edge;
            return *this;
        }
        Edge* operator->() override { return &edge; }
        void next(EdgeBuffer& buf) override
        {
            edge.nextEdge();
            fill(buf);
        }
        // Copies the current edge into the buffer, or marks its end.
        void fill(EdgeBuffer& buf)
        {
            buf.at_end = edge.atEnd();
            if (buf.at_end) return;
            buf.row = edge.row();
            buf.col = edge.col();
            buf.rate = edge.rate();
        }
    };

    class rowIterator : public WalkIterator<RowOrientedEdge> {};
    class columnIterator : public WalkIterator<ColumnOrientedEdge> {};
    class allEdgesIterator : public WalkIterator<OrderlessEdge> {};
    class SubMatrixIterator : public WalkIterator<SubMatrixEdge> {};
    class SubMatrixAuxIterator : public WalkIterator<SubMatrixAuxEdge> {};

    class row : public EdgeBaseContainer {
    public:
        int index = 0;
        FlatStateLevel* level = nullptr;
        void begin(Iterator* it) override;
        void begin(Iterator* it, EdgeBuffer& buf) override;
    };

    class column : public EdgeBaseContainer {
    public:
        int index = 0;
        FlatStateLevel* level = nullptr;
        void begin(Iterator* it) override;
        void begin(Iterator* it, EdgeBuffer& buf) override;
    };

    class allEdges : public EdgeBaseContainer {
    public:
        FlatStateLevel* level = nullptr;
        void begin(Iterator* it) override;
        void begin(Iterator* it, EdgeBuffer& buf) override;
    };

    class SubMatrix : public EdgeBaseContainer {
    public:
        int bound[4] = {0, 0, 0, 0};
        FlatStateLevel* level = nullptr;
        void begin(Iterator* it) override;
        void begin(Iterator* it, EdgeBuffer& buf) override;
    };

    class SubMatrixAux : public EdgeBaseContainer {
    public:
        int bound[4] = {0, 0, 0, 0};
        FlatStateLevel* level = nullptr;
        void begin(Iterator* it) override;
        void begin(Iterator* it, EdgeBuffer& buf) override;
    };

    class PVIterator : public PVBaseIterator {
    public:
        PVPair* current = nullptr;
        PVPair* stop = nullptr;
        Iterator& operator++() override;
        bool end() override { return current == stop; }
        Iterator& operator=(const Iterator& other) override;
        PVPair* operator->() override { return current; }
        PVPair& operator*() override { return *current; }
        void next(PVBuffer& buf) override;
        void fill(PVBuffer& buf);
    };

    class PV : public PVBaseContainer {
    public:
        FlatStateLevel* level = nullptr;
        PVPair* pairs = nullptr;
        int index = 0;
        void begin(Iterator* it) override;
        void begin(Iterator* it, PVBuffer& buf) override;
        void operator()(int state, PVBuffer& buf) override;
    };

    // Loads B.arm, B.var and B.pvtype; throws InputError for a file it cannot use.
    explicit FlatStateLevel(const char* base);
    ~FlatStateLevel() override;

    int getNumberOfStates() override { return num_states; }
    int getInitialState() override { return initial_state; }
    int getNumberOfPVs() override { return num_pvs; }
    char* getPVName(int pv) override { return &pv_names[pv][0]; }

    void getAllEdges(EdgeBaseContainer* c) override;
    bool rowsAtHand() override { return orientation == ROW_ORIENTATION; }
    void allocateAllEdgesContainer(EdgeBaseContainer*& c) override { c = new allEdges; }
    void deallocateAllEdgesContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateAllEdgesIterator(EdgeBaseIterator*& it) override { it = new allEdgesIterator; }
    void deallocateAllEdgesIterator(EdgeBaseIterator* it) override { delete it; }

    bool takeRows(RowStore& rows) override;
    void getRow(int r, EdgeBaseContainer* c) override;
    void allocateRowContainer(EdgeBaseContainer*& c) override { c = new row; }
    void deallocateRowContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateRowIterator(EdgeBaseIterator*& it) override { it = new rowIterator; }
    void deallocateRowIterator(EdgeBaseIterator* it) override { delete it; }

    void getColumn(int col, EdgeBaseContainer* c) override;
    void allocateColumnContainer(EdgeBaseContainer*& c) override { c = new column; }
    void deallocateColumnContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateColumnIterator(EdgeBaseIterator*& it) override { it = new columnIterator; }
    void deallocateColumnIterator(EdgeBaseIterator* it) override { delete it; }

    void getRowPartition(Partition& p) override;
    void getColPartition(Partition& p) override;
    void getSubMatrixPartition(Partition& first, Partition& second) override;
    void getSubMatrix(int a, int b, int c, int d, EdgeBaseContainer* container) override;
    void allocateSubMatrixContainer(EdgeBaseContainer*& c) override { c = new SubMatrix; }
    void deallocateSubMatrixContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateSubMatrixIterator(EdgeBaseIterator*& it) override { it = new SubMatrixIterator; }
    void deallocateSubMatrixIterator(EdgeBaseIterator* it) override { delete it; }

    void getSubMatrixAux(int a, int b, int c, int d, EdgeBaseContainer* container);
    void allocateSubMatrixAuxContainer(EdgeBaseContainer*& c) { c = new SubMatrixAux; }
    void deallocateSubMatrixAuxContainer(EdgeBaseContainer* c) { delete c; }
    void allocateSubMatrixAuxIterator(EdgeBaseIterator*& it) { it = new SubMatrixAuxIterator; }
    void deallocateSubMatrixAuxIterator(EdgeBaseIterator* it) { delete it; }

    void getPV(PVBaseContainer* c, int pv) override;
    void allocatePVContainer(PVBaseContainer*& c) override { c = new PV; }
    void deallocatePVContainer(PVBaseContainer* c) override { delete c; }
    void allocatePVIterator(PVBaseIterator*& it) override { it = new PVIterator; }
    void deallocatePVIterator(PVBaseIterator* it) override { delete it; }

    int num_states = 0;
    int initial_state = 0;
    std::vector<int> major_size;
    std::vector<int*> minor_index;
    std::vector<double*> rates;
    TOrientation orientation = ROW_ORIENTATION;
    bool block_access_ready = false;
    int num_pvs = 0;
    std::vector<std::string> pv_names;
    // The PV values as read, sized by the records the file holds and not by the
    // number of PVs times the number of states: for each state the index of its
    // record (-1 when it has none), and the records' pairs, num_pvs per record.
    std::vector<int> var_record;
    std::vector<PVPair> var_store;
    // The value pair of PV pv in state s (numbered from 0); 0 for a state without a record.
    PVPair pvValue(int pv, int s) const;
    // The values of the PV walked last, for every state, built from the records by getPV.
    std::vector<PVPair> pv_column;
    int pv_column_index = -1;
    std::string base_name;

    // The rows as read, packed in file order; minor_index and rates point into them for as
    // long as rows_packed holds (until the level changes its orientation or forms blocks, or
    // hands them over).
    RowStore packed;
    bool rows_packed = false;
    bool rows_given = false;  // handed over: the rate matrix is no longer here

    // While in column order: each entry's position in its row in file order,
    // packed column after column, so that the rows can be laid out again.
    std::vector<int> row_slot;

    Partition major_partition;
    Partition minor_partition;
    std::vector<double*> block_rates;
    std::vector<int*> block_cols;
    std::vector<int*> block_rows;
    std::vector<int> block_size;

private:
    void readArmFile();
    class ArmRows;  // the records of the .arm file into the rows
    void readVarFile();
    int readVarRecords(VarScan& in);
    void switch_orientation(TOrientation new_orientation);
    void rowsToColumns();
    void columnsToRows();
    void releaseMajorStorage();
    // Frees the arrays of major index h, unless they lie in the packed rows.
    void releaseMajor(int h);
    // Lets the packed rows go once no major index points into them any more.
    void releasePacked();
    void transformDSForBlockAccess();
    void releaseBlocks();
    // Raises AccessException once the per-major storage has become blocks.
    void requireMajorStorage() const;
};

#endif
