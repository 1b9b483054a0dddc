// The state level over the flat state-space files (minimal form: it checks
// the files exist; loading and walks come with the full reader).
#ifndef VELMAR_FLATSTATELEVEL_H
#define VELMAR_FLATSTATELEVEL_H

#include <string>

#include "statelevel/BaseStateLevel.h"

class FlatStateLevel : public BaseStateLevel {
public:
    explicit FlatStateLevel(const char* base);
    ~FlatStateLevel() override {}

    int getNumberOfStates() override { return num_states; }
    int getInitialState() override { return initial_state; }
    int getNumberOfPVs() override { return 0; }
    char* getPVName(int) override { return nullptr; }

    void getAllEdges(EdgeBaseContainer*) override {}
    void allocateAllEdgesContainer(EdgeBaseContainer*& c) override { c = nullptr; }
    void deallocateAllEdgesContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateAllEdgesIterator(EdgeBaseIterator*& it) override { it = nullptr; }
    void deallocateAllEdgesIterator(EdgeBaseIterator* it) override { delete it; }
    void getRow(int, EdgeBaseContainer*) override {}
    void allocateRowContainer(EdgeBaseContainer*& c) override { c = nullptr; }
    void deallocateRowContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateRowIterator(EdgeBaseIterator*& it) override { it = nullptr; }
    void deallocateRowIterator(EdgeBaseIterator* it) override { delete it; }
    void getColumn(int, EdgeBaseContainer*) override {}
    void allocateColumnContainer(EdgeBaseContainer*& c) override { c = nullptr; }
    void deallocateColumnContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateColumnIterator(EdgeBaseIterator*& it) override { it = nullptr; }
    void deallocateColumnIterator(EdgeBaseIterator* it) override { delete it; }
    void getRowPartition(Partition&) override {}
    void getColPartition(Partition&) override {}
    void getSubMatrixPartition(Partition&, Partition&) override {}
    void getSubMatrix(int, int, int, int, EdgeBaseContainer*) override {}
    void allocateSubMatrixContainer(EdgeBaseContainer*& c) override { c = nullptr; }
    void deallocateSubMatrixContainer(EdgeBaseContainer* c) override { delete c; }
    void allocateSubMatrixIterator(EdgeBaseIterator*& it) override { it = nullptr; }
    void deallocateSubMatrixIterator(EdgeBaseIterator* it) override { delete it; }
    void getPV(PVBaseContainer*, int) override {}
    void allocatePVContainer(PVBaseContainer*& c) override { c = nullptr; }
    void deallocatePVContainer(PVBaseContainer* c) override { delete c; }
    void allocatePVIterator(PVBaseIterator*& it) override { it = nullptr; }
    void deallocatePVIterator(PVBaseIterator* it) override { delete it; }

    int num_states = 0;
    int initial_state = 0;
    std::string base_name;
};

#endif
