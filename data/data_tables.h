#ifndef NUVRA_DATA_DATA_TABLES_H_
#define NUVRA_DATA_DATA_TABLES_H_

// Constant tables generated from published data; each header beside this one
// declares one of them and names its generator.

#endif  // NUVRA_DATA_DATA_TABLES_H_
