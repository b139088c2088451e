#pragma once
// Reading the numbers that the edit controls hold.
#include <string>

// Reads the text as sscanf reads "%d", "%d%c%d", "%d%c%d%c%d" and so on:
// count integers, each after the first preceded by one separator character
// (any character) stored in separators. Returns how many fields (integers and
// separators) were read before the first that did not match. Unlike sscanf,
// an integer too large for an int reads as the nearest int, never as a
// wrapped-around value.
int ScanIntFields(const std::string& text, int count, int* numbers, char* separators);

// The text read as "%d"; false when it holds no number.
bool ReadIntField(const std::string& text, int* value);
