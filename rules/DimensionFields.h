#pragma once

#include <QString>

// The names of the dimension's tables and fields, spelled once: the server's statements, the
// screen's record sets and kzr-admin's files all name them through these.
namespace dimension_fields {

inline constexpr QLatin1String Table("DIMENSAODIME");
inline constexpr QLatin1String Flag("IDDIMENSAODW"); // "S" or "N": part of the warehouse
inline constexpr QLatin1String Code("NRSEQUEDIME");
inline constexpr QLatin1String Name("NMITEMDIME");
inline constexpr QLatin1String DimensionTable("CDTABELADIME");
inline constexpr QLatin1String Key("DSPKDIME");
inline constexpr QLatin1String Attribute("DSITEMDIME");
inline constexpr QLatin1String Parent("DSPKDIME2"); // the self-relationship

} // namespace dimension_fields

namespace extra_fields {

inline constexpr QLatin1String Table("ATRIBEXTRADIME");
inline constexpr QLatin1String Code("NRSEQUEDIME"); // the dimension the attribute belongs to
inline constexpr QLatin1String Field("CDATRIBEXTRDIME");
inline constexpr QLatin1String Name("DSATRIBEXTRDIME");

} // namespace extra_fields
