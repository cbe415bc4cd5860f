// The handheld's date and time formatter (GetDateFormatW / GetTimeFormatW): pictures made of
// d dd ddd dddd M MM MMM MMMM y yy yyyy h hh H HH m mm s ss t tt and quoted literals, plus the
// three system formats. Counts returned include the terminating zero, as the callers expect.
#pragma once

#include "device/locale.h"
#include "device/systime.h"

#include <string>
#include <vector>

namespace hv::dev {

// A picture cut into fields (runs of one pattern letter) and the literal text between them, the
// literal text unquoted. Qt's format strings quote literals the same way, so they split alike.
struct PicturePiece {
    bool field = false;
    std::u16string text; // the field's letters, or the literal text as shown
};
inline constexpr char16_t kPictureLetters[] = u"dMyghHmst";
std::vector<PicturePiece> splitPicture(std::u16string_view picture,
                                       std::u16string_view letters = kPictureLetters);
// Back into picture syntax, quoting literal text that holds letters or quotes.
std::u16string joinPicture(const std::vector<PicturePiece>& pieces);
// The picture without every field of `letter` and the literal text that belongs to it: brackets
// around it, a unit word after it (ja "ss秒", ko "s초", fr "ss 's'"), or else the separator
// before it (":ss", ", t"); a leading field takes the text after it instead.
std::u16string dropPictureField(std::u16string_view picture, char16_t letter,
                                std::u16string_view letters = kPictureLetters);

enum FormatFlags : uint32_t {
    kFormatNone = 0,
    kTimeNoSeconds = 0x2, // TIME_NOSECONDS
    kDateShortDate = 0x1, // DATE_SHORTDATE
    kDateLongDate = 0x2,  // DATE_LONGDATE
};

// Formats t with the picture under the locale; every picture element is honoured.
std::u16string formatPicture(const SystemTime& t, std::u16string_view picture,
                             const LocaleData& loc, bool noSeconds = false);

// GetDateFormatW: picture == nullptr uses the system short or long date by flags. Writes into
// buf (capacity in characters, terminator included) and returns the count with the terminator,
// 0 when it does not fit or the record is invalid. Uses the current device's locale.
int getDateFormat(const SystemTime& t, uint32_t flags, const char16_t* picture, char16_t* buf,
                  int capacity);
// GetTimeFormatW: picture == nullptr uses the system time format (kTimeNoSeconds drops seconds).
int getTimeFormat(const SystemTime& t, uint32_t flags, const char16_t* picture, char16_t* buf,
                  int capacity);

// Conveniences returning the text.
std::u16string dateText(const SystemTime& t, std::u16string_view picture);
std::u16string timeText(const SystemTime& t, std::u16string_view picture);
enum class SystemFormat { ShortDate, LongDate, TimeNoSeconds };
std::u16string systemFormatText(const SystemTime& t, SystemFormat which);
std::u16string systemFormatText(const SystemTime& t, SystemFormat which, const LocaleData& loc);

} // namespace hv::dev
