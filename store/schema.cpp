#include "store/schema.h"

const StoreTable kStoreTables[kStoreTableCount] = {
    {"firstuse", "CREATE TABLE firstuse ('flag' INTEGER DEFAULT 0);"},
    {"pedometer",
     "CREATE TABLE pedometer ('seq' INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, 'curdate' VARCHAR(10) "
     "DEFAULT "
     "NULL, 'curtime' VARCHAR(10) DEFAULT NULL, \t\t\t\t\t   'steps' INTEGER DEFAULT 0, 'kcal' DOUBLE "
     "DEFAULT "
     "0, "
     "'distance' DOUBLE DEFAULT 0, 'created_at' datetime DEFAULT NULL, 'updated_at' datetime DEFAULT NULL);"},
    {"info",
     "CREATE TABLE info('height' FLOAT DEFAULT 0, 'weight' FLOAT DEFAULT 0, 'gender' VARCHAR(1) default "
     "NULL, "
     "'lang' INTEGER DEFAULT 0);"},
};

std::string StoreSchemaScript() {
    std::string script;
    for (const StoreTable& table : kStoreTables) script += table.pszCreate;
    return script;
}

const StoreTable kGoalTable = {
    "goal", "CREATE TABLE goal ('steps' INTEGER DEFAULT 0, 'noticed' VARCHAR(10) DEFAULT NULL)"};

const StoreTable kHourlyTable = {
    "hourly",
    "CREATE TABLE hourly ('curdate' VARCHAR(10) NOT NULL, 'hour' INTEGER NOT NULL, 'steps' INTEGER DEFAULT "
    "0, "
    "'kcal' DOUBLE DEFAULT 0, 'distance' DOUBLE DEFAULT 0, PRIMARY KEY (curdate, hour))"};
