// One prepared SQLite statement, as the catalog and the reports' store use them.
#pragma once

#include "server/inf/code_page_decoder.h"
#include "server/inf/utf8_text.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

// One prepared statement, finalised when it goes out of scope.
class statement_c {
public:
    statement_c(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
    ~statement_c() { sqlite3_finalize(statement_); }
    statement_c(const statement_c&) = delete;
    statement_c& operator=(const statement_c&) = delete;

    bool ready() const { return statement_ != nullptr; }
    statement_c& bind(int index, const std::string& text) {
        sqlite3_bind_text(statement_, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    statement_c& bind_null(int index) {
        sqlite3_bind_null(statement_, index);
        return *this;
    }
    // An empty text is stored as NULL: not known, or not signed.
    statement_c& bind_or_null(int index, const std::string& text) { return text.empty() ? bind_null(index) : bind(index, text); }
    statement_c& bind(int index, std::int64_t number) {
        sqlite3_bind_int64(statement_, index, number);
        return *this;
    }
    int step() { return sqlite3_step(statement_); }
    void reset() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    // Texts are UTF-8. Catalogs imported before 8-bit INF files were decoded may hold their bytes
    // as they were: those read as Windows-1252, which is what an import does with them now.
    std::string text(int column) const {
        const unsigned char* value = sqlite3_column_text(statement_, column);
        if (!value) return std::string();
        return utf8_or_windows_1252(
            std::string_view(reinterpret_cast<const char*>(value), std::size_t(sqlite3_column_bytes(statement_, column))));
    }
    std::int64_t number(int column) const { return sqlite3_column_int64(statement_, column); }
    bool is_null(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    // The same text as a view, valid until the next step; `scratch` holds it when it had to be converted.
    std::string_view view(int column, std::string& scratch) const {
        const unsigned char* value = sqlite3_column_text(statement_, column);
        if (!value) return {};
        std::string_view bytes(reinterpret_cast<const char*>(value), std::size_t(sqlite3_column_bytes(statement_, column)));
        if (is_ascii(bytes) || is_well_formed_utf8(bytes)) return bytes;
        scratch = utf8_or_windows_1252(bytes);
        return scratch;
    }

private:
    sqlite3_stmt* statement_ = nullptr;
};
