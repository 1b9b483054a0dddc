// Named statistics record and database globals.
#include "framework/SolverDBInfo.h"

#include <cstdio>
#include <cstring>

char db_entity[SOLVERDB_GLOBAL_LEN];
char db_host[SOLVERDB_GLOBAL_LEN];
int db_exp_index = 0;

static void report_null()
{
    printf("ERROR: SolverDBInfo is NULL\n");
}

void SolverDBInfo_Init(SolverDBInfo* info)
{
    if (info == nullptr) {
        report_null();
        return;
    }
    info->numInt8 = info->numInt4 = info->numFloat8 = info->numBoolean = 0;
}

int SolverDBInfo_GetTotalNum(SolverDBInfo* info)
{
    if (info == nullptr) {
        report_null();
        return 0;
    }
    return info->numInt8 + info->numInt4 + info->numFloat8 + info->numBoolean;
}

// Claims the next slot of a group for `name`: its index, or -1 when the group
// is full (reported by the caller) or the name is too long (reported here).
static int claim_slot(int count, const char* name)
{
    if (count >= SOLVERDB_SLOTS) return -1;
    if (std::strlen(name) > SOLVERDB_NAME_LEN - 1) {
        printf("ERROR: Name is too long: %s\n", name);
        return -2;
    }
    return count;
}

template <typename T, typename V>
static bool add_entry(int& count, char (*names)[SOLVERDB_NAME_LEN], T* values,
                      const char* name, V value)
{
    int slot = claim_slot(count, name);
    if (slot == -2) return true;
    if (slot < 0) return false;
    std::strcpy(names[slot], name);
    values[slot] = (T)value;
    ++count;
    return true;
}

void SolverDBInfo_AddInt8(SolverDBInfo* info, const char* name, long value)
{
    if (!add_entry(info->numInt8, info->int8Names, info->int8Values, name, value))
        printf("ERROR: Data is full.  Can not add %s=%lu\n", name, (unsigned long)(uint32_t)value);
}

void SolverDBInfo_AddInt4(SolverDBInfo* info, const char* name, long value)
{
    if (!add_entry(info->numInt4, info->int4Names, info->int4Values, name, value))
        printf("ERROR: Data is full.  Can not add %s=%lu\n", name, (unsigned long)(uint32_t)value);
}

void SolverDBInfo_AddFloat8(SolverDBInfo* info, const char* name, double value)
{
    if (!add_entry(info->numFloat8, info->float8Names, info->float8Values, name, value))
        printf("ERROR: Data is full.  Can not add %s=%f\n", name, value);
}

void SolverDBInfo_AddBoolean(SolverDBInfo* info, const char* name, char value)
{
    if (!add_entry(info->numBoolean, info->booleanNames, info->booleanValues, name, value))
        printf("ERROR: Data is full.  Can not add %s=%d\n", name, (int)value);
}

void SolverDBInfo_Write(SolverDBInfo*, const char*, int) {}
void initSolverDB(const char*, int, long, long) {}
void initPV(const char*, int, BaseStateLevel*, const char*, int, int) {}
void writeSolverPV(SolverPV*, int, int, int, double, int) {}
void writeARSSolverPV(ARSSolverPV*, int, int, double, double, int) {}
int packageArrayElement(const char*, const char*, const char*, int, const char*) { return 0; }

void initDBGlobals()
{
    db_entity[0] = '\0';
    db_host[0] = '\0';
    db_exp_index = 0;
}

// Copies a -D value into a 96-byte global, truncating (and saying so) beyond 95 characters.
static void set_db_text(char* target, const char* value, const char* what)
{
    size_t n = std::strlen(value);
    if (n > SOLVERDB_GLOBAL_LEN - 1) {
        printf("WARNING: -D value for the database %s is longer than %d characters; "
               "it is truncated.\n", what, SOLVERDB_GLOBAL_LEN - 1);
        fflush(stdout);
        n = SOLVERDB_GLOBAL_LEN - 1;
    }
    std::memcpy(target, value, n);
    target[n] = '\0';
}

void parseDBSwitches(const char* value)
{
    if (value == nullptr) return;
    switch (value[0]) {
    case 'e': set_db_text(db_entity, value, "entity"); break;
    case 's': set_db_text(db_host, value, "host"); break;
    case 'i': sscanf(value + 1, "%d", &db_exp_index); break;
    default: break;
    }
}
