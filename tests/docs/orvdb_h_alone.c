/* orvdb.h compiles on its own as C: nothing before it, no other header. */
#include "orvdb/orvdb.h"
