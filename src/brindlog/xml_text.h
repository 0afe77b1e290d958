// Text for the JMF files: the escaping of attribute values, the trimming of blanks,
// and the conversion of log text into characters a UTF-8 XML document may hold.
#pragma once

#include <string>
#include <string_view>

namespace vellora::brindlog {

// How an apostrophe is written: as the entity, or (in a job's message) as "#".
enum class Apostrophe { Entity, Hash };

// Replaces, in this order, "&", "<", ">", "'" and the double quote by their entities
// ("'" by "#" with Apostrophe::Hash).
std::string EscapeXml(std::string_view text, Apostrophe apostrophe = Apostrophe::Entity);

// Without blanks (space, tab, line feed, vertical tab, form feed, carriage return) at
// either end.
std::string_view TrimBlanks(std::string_view text);

// The RIP writes its log in a single-byte code page while the files declare UTF-8, and
// a byte that is no UTF-8 makes the whole file unreadable for an XML parser. Bytes that
// already form UTF-8 characters are kept; every other byte above 127 is taken as a
// Windows-1252 character and written in UTF-8. Control characters that XML does not
// allow at all (everything below 32 except tab, line feed and carriage return) become
// "?".
std::string ToXmlCharacters(std::string_view text);

}  // namespace vellora::brindlog
