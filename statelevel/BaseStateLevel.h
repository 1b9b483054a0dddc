// The solver's only view of a Markov chain: states, an initial state, a sparse
// rate matrix walked through containers and iterators, and per-state PV values.
#ifndef VELMAR_BASESTATELEVEL_H
#define VELMAR_BASESTATELEVEL_H

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "framework/FileNames.h"

// Kind selector of the PV evaluation: 3 is steady state, 4 selects every PV.
typedef int RewardType;

// Raised when a solver asks for an access that a state level cannot serve.
class AccessException {};

// One transition, seen through an iterator; valid until the iterator moves.
class Edge {
public:
    virtual int& row() = 0;
    virtual int& col() = 0;
    virtual double& rate() = 0;
    virtual int& label() = 0;
};

// The current edge of a buffer-style walk.
struct EdgeBuffer {
    int row = 0;
    int col = 0;
    double rate = 0.0;
    int label = 0;
    bool at_end = true;
};

// The current state's value pair of a PV walk; the reward is first + second.
struct PVBuffer {
    double first = 0.0;
    double second = 0.0;
    bool at_end = true;
};

// The rate matrix's rows as a level holds them, in the file's order (self-loops, repeated
// destinations and zero rates as they stand): row i is dest/rate[start[i] .. start[i+1]).
struct RowStore {
    int n = 0;
    std::vector<int64_t> start;
    std::vector<int> dest;
    std::vector<double> rate;
};

// Contiguous blocks of states: bounds[0..num_blocks], owned by the caller.
struct Partition {
    int reserved0 = 0;
    int reserved1 = 0;
    int num_requested = 0;
    int* bounds = nullptr;
    int num_blocks = 0;
};

class BaseStateLevel {
public:
    class Iterator;

    class Container {
    public:
        virtual ~Container() {}
        virtual void begin(Iterator* it) = 0;
    };

    class Iterator {
    public:
        virtual ~Iterator() {}
        virtual Iterator& operator++() = 0;
        virtual bool end() = 0;
        virtual Iterator& operator=(const Iterator& other) = 0;
    };

    class EdgeBaseContainer : public Container {
    public:
        ~EdgeBaseContainer() override {}
        void begin(Iterator*) override {}
        virtual void begin(Iterator* it, EdgeBuffer& buf) = 0;
    };

    class EdgeBaseIterator : public Iterator {
    public:
        ~EdgeBaseIterator() override {}
        using Iterator::operator=;
        // Copies the position through the concrete iterator's operator=.
        EdgeBaseIterator& operator=(const EdgeBaseIterator& other)
        {
            static_cast<Iterator&>(*this) = other;
            return *this;
        }
        virtual Edge* operator->() = 0;
        virtual void next(EdgeBuffer& buf) = 0;
    };

    // A state's value pair as stored: first, then second.
    struct PVPair {
        double first;
        double second;
    };

    class PVBaseContainer : public Container {
    public:
        ~PVBaseContainer() override {}
        void begin(Iterator* it) override = 0;
        virtual void begin(Iterator* it, PVBuffer& buf) = 0;
        virtual void operator()(int state, PVBuffer& buf) = 0;
    };

    class PVBaseIterator : public Iterator {
    public:
        ~PVBaseIterator() override {}
        using Iterator::operator=;
        // Copies the position through the concrete iterator's operator=.
        PVBaseIterator& operator=(const PVBaseIterator& other)
        {
            static_cast<Iterator&>(*this) = other;
            return *this;
        }
        virtual PVPair* operator->() = 0;
        virtual PVPair& operator*() = 0;
        virtual void next(PVBuffer& buf) = 0;
    };

    BaseStateLevel() {}
    BaseStateLevel(const BaseStateLevel&) = delete;
    BaseStateLevel& operator=(const BaseStateLevel&) = delete;
    virtual ~BaseStateLevel();

    virtual int getNumberOfStates() = 0;
    virtual int getInitialState() = 0;
    virtual int getNumberOfPVs() = 0;
    virtual char* getPVName(int pv) = 0;
    // The files the state space was read from, for the report; empty when the
    // report names them otherwise (the flat files).
    virtual std::string getFilesRead() { return std::string(); }

    virtual void getAllEdges(EdgeBaseContainer* c) = 0;
    virtual void allocateAllEdgesContainer(EdgeBaseContainer*& c) = 0;
    virtual void deallocateAllEdgesContainer(EdgeBaseContainer* c) = 0;
    virtual void allocateAllEdgesIterator(EdgeBaseIterator*& it) = 0;
    virtual void deallocateAllEdgesIterator(EdgeBaseIterator* it) = 0;

    // True when walking every row with getRow costs no more than one walk of all edges
    // (the rows are held as such); false for a level that would search for each row.
    virtual bool rowsAtHand() { return false; }
    // Hands the rows over whole to a reader that has no more use for the level's walks, when
    // the level holds them packed; the level then serves no walk of the rate matrix (they
    // raise AccessException). False, with nothing moved, for a level that cannot.
    virtual bool takeRows(RowStore&) { return false; }
    virtual void getRow(int row, EdgeBaseContainer* c) = 0;
    virtual void allocateRowContainer(EdgeBaseContainer*& c) = 0;
    virtual void deallocateRowContainer(EdgeBaseContainer* c) = 0;
    virtual void allocateRowIterator(EdgeBaseIterator*& it) = 0;
    virtual void deallocateRowIterator(EdgeBaseIterator* it) = 0;

    virtual void getColumn(int col, EdgeBaseContainer* c) = 0;
    virtual void allocateColumnContainer(EdgeBaseContainer*& c) = 0;
    virtual void deallocateColumnContainer(EdgeBaseContainer* c) = 0;
    virtual void allocateColumnIterator(EdgeBaseIterator*& it) = 0;
    virtual void deallocateColumnIterator(EdgeBaseIterator* it) = 0;

    virtual void getRowPartition(Partition& p) = 0;
    virtual void getColPartition(Partition& p) = 0;
    virtual void getSubMatrixPartition(Partition& major, Partition& minor) = 0;
    virtual void getSubMatrix(int major_begin, int major_end, int minor_begin,
                              int minor_end, EdgeBaseContainer* c) = 0;
    virtual void allocateSubMatrixContainer(EdgeBaseContainer*& c) = 0;
    virtual void deallocateSubMatrixContainer(EdgeBaseContainer* c) = 0;
    virtual void allocateSubMatrixIterator(EdgeBaseIterator*& it) = 0;
    virtual void deallocateSubMatrixIterator(EdgeBaseIterator* it) = 0;

    virtual void getPV(PVBaseContainer* c, int pv) = 0;
    virtual void allocatePVContainer(PVBaseContainer*& c) = 0;
    virtual void deallocatePVContainer(PVBaseContainer* c) = 0;
    virtual void allocatePVIterator(PVBaseIterator*& it) = 0;
    virtual void deallocatePVIterator(PVBaseIterator* it) = 0;

    // Builds the program's state level from -G and -E, or returns null.
    static BaseStateLevel* createStateLevelObject(int argc, char** argv);

    // Reads the PV type file into the four tables below; false after a reported failure.
    bool readPVTypeFile(const char* name);
    // Reads one "key:value" line and checks the key against the expected one.
    bool readKeyValue(std::ifstream& in, const char* expected, char* key, char* value);
    void setType(int pv, int type);
    // Stores a PV's time points; the state level takes ownership of both arrays.
    void setTimePoints(int pv, int count, double* start, double* stop);

    std::vector<int> pv_type;
    std::vector<int> num_times;
    std::vector<double*> start_times;
    std::vector<double*> stop_times;

    // Writes one warning line about the input to standard error and keeps it
    // for the report, so that results built on incomplete input say so.
    void inputWarning(const std::string& line);
    // Warning lines kept for the report, without line ends.
    std::vector<std::string> input_warnings;
    // Why reading the PV type file stopped early (empty when it did not): the
    // PVs it gave no type are not evaluated, and the report names them.
    std::string pvtype_failure;
    // Why the PV value file could not be read (empty when it was): no PV has a value.
    std::string var_failure;
};

#endif
