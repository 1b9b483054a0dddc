// A fixed record of named run statistics for a results database, and the
// database globals set by -D. The database writers are inert.
#ifndef VELMAR_SOLVERDBINFO_H
#define VELMAR_SOLVERDBINFO_H

#include <cstdint>

class BaseStateLevel;

enum { SOLVERDB_SLOTS = 8, SOLVERDB_NAME_LEN = 25, SOLVERDB_GLOBAL_LEN = 96 };

// Values of the two integer groups are 32-bit signed, as the record holds them.
typedef int32_t db_long;

struct SolverDBInfo {
    int numInt8;
    char int8Names[SOLVERDB_SLOTS][SOLVERDB_NAME_LEN];
    db_long int8Values[SOLVERDB_SLOTS];
    int numInt4;
    char int4Names[SOLVERDB_SLOTS][SOLVERDB_NAME_LEN];
    db_long int4Values[SOLVERDB_SLOTS];
    int numFloat8;
    char float8Names[SOLVERDB_SLOTS][SOLVERDB_NAME_LEN];
    double float8Values[SOLVERDB_SLOTS];
    int numBoolean;
    char booleanNames[SOLVERDB_SLOTS][SOLVERDB_NAME_LEN];
    char booleanValues[SOLVERDB_SLOTS];
};

struct SolverPV {};
struct ARSSolverPV {};

extern char db_entity[SOLVERDB_GLOBAL_LEN];
extern char db_host[SOLVERDB_GLOBAL_LEN];
extern int db_exp_index;

void SolverDBInfo_Init(SolverDBInfo* info);
int SolverDBInfo_GetTotalNum(SolverDBInfo* info);
void SolverDBInfo_AddInt8(SolverDBInfo* info, const char* name, long value);
void SolverDBInfo_AddInt4(SolverDBInfo* info, const char* name, long value);
void SolverDBInfo_AddFloat8(SolverDBInfo* info, const char* name, double value);
void SolverDBInfo_AddBoolean(SolverDBInfo* info, const char* name, char value);

void SolverDBInfo_Write(SolverDBInfo* info, const char* entity, int expIndex);
void initSolverDB(const char* entity, int expIndex, long a, long b);
void initPV(const char* entity, int expIndex, BaseStateLevel* level, const char* experiment,
            int a, int b);
void writeSolverPV(SolverPV* pv, int a, int b, int c, double d, int e);
void writeARSSolverPV(ARSSolverPV* pv, int a, int b, double c, double d, int e);
int packageArrayElement(const char* a, const char* b, const char* c, int d, const char* e);

void initDBGlobals();
// Sets one database global from a -D value: e<entity>, s<host> or i<index>.
void parseDBSwitches(const char* value);

#endif
