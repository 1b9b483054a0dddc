// A state level over a chain held in memory (ChainModel): transitions kept
// once by source in file order and once by destination with the sources
// ascending, so that row, column and all-edge walks are direct; every PV is
// a steady-state PV unless the model says otherwise. The readers of other
// tools' formats build one of these.
#ifndef VELMAR_CHAINSTATELEVEL_H
#define VELMAR_CHAINSTATELEVEL_H

#include <cstdint>
#include <string>
#include <vector>

#include "statelevel/BaseStateLevel.h"
#include "statelevel/Chain/ChainModel.h"

class ChainStateLevel : public BaseStateLevel
{
public:
    // Transitions grouped by a major index (source or destination).
    struct Grouped {
        std::vector<int64_t> start; // N+1 entries
        std::vector<int> minor;     // the other end of each transition
        std::vector<double> rate;
    };

    // The current transition of a walk over the majors [major, major_end).
    class RangeEdge : public Edge
    {
    public:
        const Grouped* group = nullptr;
        bool major_is_row = true;
        int major = 0;
        int major_end = 0;
        int64_t pos = 0;
        int cur_row = 0;
        int cur_col = 0;
        double cur_rate = 0.0;
        int label_slot = 0;

        // Places the walk on the first transition of the majors [first, end).
        void init(const Grouped* g, bool row_major, int first, int end);
        void nextEdge();
        bool atEnd() const { return major >= major_end; }
        int& row() override { return cur_row; }
        int& col() override { return cur_col; }
        double& rate() override { return cur_rate; }
        int& label() override { return label_slot; }

    private:
        // Moves on to the next major with transitions left, or to the end.
        void settle();
    };

    class RangeIterator : public EdgeBaseIterator
    {
    public:
        RangeEdge edge;
        Iterator& operator++() override;
        bool end() override { return edge.atEnd(); }
        Iterator& operator=(const Iterator& other) override;
        Edge* operator->() override { return &edge; }
        void next(EdgeBuffer& buf) override;
        // Copies the current transition into the buffer, or marks the end.
        void fill(EdgeBuffer& buf);
    };

    // A selection of majors: one row, one column, or every column.
    class Range : public EdgeBaseContainer
    {
    public:
        const Grouped* group = nullptr;
        bool major_is_row = true;
        int first = 0;
        int end = 0;
        void begin(Iterator* it) override;
        void begin(Iterator* it, EdgeBuffer& buf) override;
    };

    class PVIterator : public PVBaseIterator
    {
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

    class PV : public PVBaseContainer
    {
    public:
        std::vector<PVPair>* pairs = nullptr;
        void begin(Iterator* it) override;
        void begin(Iterator* it, PVBuffer& buf) override;
        void operator()(int state, PVBuffer& buf) override;
    };

    // Takes the model over; its transition lists are released once grouped.
    explicit ChainStateLevel(ChainModel model);

    int getNumberOfStates() override { return num_states; }
    int getInitialState() override { return initial_state; }
    int getNumberOfPVs() override { return (int)pv_names.size(); }
    char* getPVName(int pv) override { return &pv_names[pv][0]; }
    std::string getFilesRead() override;

    void getAllEdges(EdgeBaseContainer* c) override;
    bool rowsAtHand() override { return true; }
    void allocateAllEdgesContainer(EdgeBaseContainer*& c) override { c = new Range; }
    void deallocateAllEdgesContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateAllEdgesIterator(EdgeBaseIterator*& it) override { it = new RangeIterator; }
    void deallocateAllEdgesIterator(EdgeBaseIterator* it) override { delete it; }

    void getRow(int r, EdgeBaseContainer* c) override;
    void allocateRowContainer(EdgeBaseContainer*& c) override { c = new Range; }
    void deallocateRowContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateRowIterator(EdgeBaseIterator*& it) override { it = new RangeIterator; }
    void deallocateRowIterator(EdgeBaseIterator* it) override { delete it; }

    void getColumn(int col, EdgeBaseContainer* c) override;
    void allocateColumnContainer(EdgeBaseContainer*& c) override { c = new Range; }
    void deallocateColumnContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateColumnIterator(EdgeBaseIterator*& it) override { it = new RangeIterator; }
    void deallocateColumnIterator(EdgeBaseIterator* it) override { delete it; }

    // Partitions are served; block access, which no solver here asks for, is not.
    void getRowPartition(Partition& p) override;
    void getColPartition(Partition& p) override;
    void getSubMatrixPartition(Partition&, Partition&) override { throw AccessException(); }
    void getSubMatrix(int, int, int, int, EdgeBaseContainer*) override { throw AccessException(); }
    void allocateSubMatrixContainer(EdgeBaseContainer*& c) override { c = new Range; }
    void deallocateSubMatrixContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateSubMatrixIterator(EdgeBaseIterator*& it) override { it = new RangeIterator; }
    void deallocateSubMatrixIterator(EdgeBaseIterator* it) override { delete it; }

    void getPV(PVBaseContainer* c, int pv) override;
    void allocatePVContainer(PVBaseContainer*& c) override { c = new PV; }
    void deallocatePVContainer(PVBaseContainer* c) override { delete c; }
    void allocatePVIterator(PVBaseIterator*& it) override { it = new PVIterator; }
    void deallocatePVIterator(PVBaseIterator* it) override { delete it; }

    int num_states = 0;
    int initial_state = 0;
    Grouped rows;    // by source, in file order
    Grouped columns; // by destination, sources ascending
    std::vector<std::string> pv_names;
    std::vector<int> label_pvs;  // the PVs that mark the states of a label
    std::vector<std::vector<PVPair>> pv_values;
    std::vector<std::string> files_read;
    std::string rewards_note; // appended to the list of files read
};

#endif
