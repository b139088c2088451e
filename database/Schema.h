#pragma once
// The SQL scripts that make the system database and the two task prototypes,
// built from database/schema/ into the library.
namespace schema {

const char* System();
const char* Measurement();
const char* Calibration();

}  // namespace schema
