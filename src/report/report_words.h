#pragma once

#include <string>
#include <string_view>

namespace ctrlprog {

// Texts of the report and the trace in the operator's language. The record, the JSON lines and
// the database keep their own English words and ISO times; these are for a person.

// A time of the record ("2026-12-07T21:00+08:00", seconds and milliseconds too where it has
// them) as the operator's locale writes a date, its offset kept; anything else as it is.
std::string TimeSaid(std::string_view iso);

// The day and time of an hour, for a chart's axis ("12-07 21:00" in English).
std::string ShortHourSaid(std::string_view iso);

// A record's result word (PASS, FAIL, ...) as the operator reads it.
std::string ResultWordSaid(std::string_view result);

// The language the report's texts are in, as an HTML lang attribute.
std::string PageLanguage();

// Columns of `text` on a terminal: a wide (CJK) character takes two.
int DisplayWidth(std::string_view text);

// `text` padded with spaces to `width` columns, on the right or (`right`-aligned) on the left.
std::string Padded(std::string_view text, int width, bool right = false);

}  // namespace ctrlprog
