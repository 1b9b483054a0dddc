// What the first process knows of the model besides the chain: the number of states, the PV
// names and their type table. It offers no edges: the chain lives spread over the processes.
#ifndef VELMAR_MPI_MODELINFO_H
#define VELMAR_MPI_MODELINFO_H

#include <string>
#include <vector>

#include "statelevel/BaseStateLevel.h"

class ModelInfo : public BaseStateLevel {
public:
    ModelInfo(int states, int initial, std::vector<std::string> names);

    int getNumberOfStates() override { return states; }
    int getInitialState() override { return initial; }
    int getNumberOfPVs() override { return (int)names.size(); }
    char* getPVName(int pv) override { return &names[(size_t)pv][0]; }

    // Every walk over the chain refuses: no process holds it whole.
    void getAllEdges(EdgeBaseContainer*) override { throw AccessException(); }
    void allocateAllEdgesContainer(EdgeBaseContainer*&) override { throw AccessException(); }
    void deallocateAllEdgesContainer(EdgeBaseContainer*) override {}
    void allocateAllEdgesIterator(EdgeBaseIterator*&) override { throw AccessException(); }
    void deallocateAllEdgesIterator(EdgeBaseIterator*) override {}
    void getRow(int, EdgeBaseContainer*) override { throw AccessException(); }
    void allocateRowContainer(EdgeBaseContainer*&) override { throw AccessException(); }
    void deallocateRowContainer(EdgeBaseContainer*) override {}
    void allocateRowIterator(EdgeBaseIterator*&) override { throw AccessException(); }
    void deallocateRowIterator(EdgeBaseIterator*) override {}
    void getColumn(int, EdgeBaseContainer*) override { throw AccessException(); }
    void allocateColumnContainer(EdgeBaseContainer*&) override { throw AccessException(); }
    void deallocateColumnContainer(EdgeBaseContainer*) override {}
    void allocateColumnIterator(EdgeBaseIterator*&) override { throw AccessException(); }
    void deallocateColumnIterator(EdgeBaseIterator*) override {}
    void getRowPartition(Partition&) override { throw AccessException(); }
    void getColPartition(Partition&) override { throw AccessException(); }
    void getSubMatrixPartition(Partition&, Partition&) override { throw AccessException(); }
    void getSubMatrix(int, int, int, int, EdgeBaseContainer*) override { throw AccessException(); }
    void allocateSubMatrixContainer(EdgeBaseContainer*&) override { throw AccessException(); }
    void deallocateSubMatrixContainer(EdgeBaseContainer*) override {}
    void allocateSubMatrixIterator(EdgeBaseIterator*&) override { throw AccessException(); }
    void deallocateSubMatrixIterator(EdgeBaseIterator*) override {}
    void getPV(PVBaseContainer*, int) override { throw AccessException(); }
    void allocatePVContainer(PVBaseContainer*&) override { throw AccessException(); }
    void deallocatePVContainer(PVBaseContainer*) override {}
    void allocatePVIterator(PVBaseIterator*&) override { throw AccessException(); }
    void deallocatePVIterator(PVBaseIterator*) override {}

private:
    int states;
    int initial;
    std::vector<std::string> names;
};

#endif
