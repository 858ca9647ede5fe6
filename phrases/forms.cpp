// The other output forms of the phrase table (UTF-8, HTML, JSON) for
// blaterix-cli: the same tables and writer as phrases.cpp, compiled once more
// into an object of its own that only their users pull in.
#define BLATERIX_OTHER_FORMS
#include "phrases/phrases.cpp"
