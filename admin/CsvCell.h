#pragma once

#include <QString>
#include <optional>

// One CSV cell as kzr-admin writes them: RFC 4180, with one addition: an empty text is written
// "" and a null as nothing at all, so that the difference the server keeps survives the file.
QString csvCell(const std::optional<QString> &value);
