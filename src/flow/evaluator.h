// The integer expression language of code texts ("コードの実行" commands and values inside
// messages): words separated by spaces; numbers; the common and stage variables C<n> and S<n>;
// statuses of an object (my, tg, pl, sys) written object.name; the system values time, scrlx,
// scrly, score and life; the operators = + - * / % in three precedence levels (* / %, then + -,
// then =), each left-associative; parentheses; and rand(a, b).
//
// Every assignment is clamped to the range of what it writes. An error reports itself, sets the
// error flag and ends the evaluation of the whole text; assignments made before it stay.
#pragma once

#include <cstdint>
#include <string>

class cChara;

// Evaluates a code text for a character; false after an error. HP and SP changes of the character
// show its gauges.
bool EvaluateExpression(const std::string& text, cChara& chara);
// Resolves parentheses and function calls, then evaluates the flat rest.
std::int32_t ParseExpression(const std::string& text, cChara& chara);
// Evaluates a text without parentheses.
std::int32_t EvaluateTerm(const std::string& text, cChara& chara);

// Truncates a string at its first NUL; returns the new length.
int SyncStringLength(std::string& s);
