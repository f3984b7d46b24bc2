#pragma once
// The text of the reader-count field as a count.

// True, with count set, when text is a whole decimal number from 0 to limit, white space
// before it and a sign allowed as strtol allows them; an empty text means 0. Anything else
// (not a number, trailing characters, out of range, overflowing) gives false.
bool ParseReadersCount(const char* text, unsigned limit, unsigned& count);
