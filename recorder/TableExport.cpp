// SPDX-License-Identifier: MIT
#include "TableExport.h"

#include "RecordingList.h"
#include "ZRQ7DLL.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <locale.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>
#include <xlsxwriter.h>

namespace exporting {

namespace {

constexpr std::size_t progressEvery = 2000; // rows between progress reports

// The C library formats numbers by the thread's locale, and the program runs
// under the operator's (a decimal comma under pl_PL). libxlsxwriter formats
// cell values with it, so the writing thread switches to "C" for the export.
class CLocaleForThisThread
{
public:
    CLocaleForThisThread() : m_c(newlocale(LC_ALL_MASK, "C", locale_t(nullptr)))
    {
        if (m_c)
            m_previous = uselocale(m_c);
    }
    ~CLocaleForThisThread()
    {
        if (m_c) {
            uselocale(m_previous);
            freelocale(m_c);
        }
    }
    CLocaleForThisThread(const CLocaleForThisThread&) = delete;
    CLocaleForThisThread& operator=(const CLocaleForThisThread&) = delete;

private:
    locale_t m_c;
    locale_t m_previous = LC_GLOBAL_LOCALE;
};

// A new file is created with 0666 less the process's umask, as any other
// program would create it; the temporary file starts as 0600.
QFileDevice::Permissions newFilePermissions()
{
    mode_t mask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("Umask:"))
                mask = mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
    }
    const mode_t mode = 0666 & ~mask;
    QFileDevice::Permissions permissions;
    const std::pair<mode_t, QFileDevice::Permission> bits[] = {
        {S_IRUSR, QFileDevice::ReadOwner}, {S_IWUSR, QFileDevice::WriteOwner},
        {S_IRGRP, QFileDevice::ReadGroup}, {S_IWGRP, QFileDevice::WriteGroup},
        {S_IROTH, QFileDevice::ReadOther}, {S_IWOTH, QFileDevice::WriteOther}};
    for (const auto& [bit, permission] : bits)
        if (mode & bit)
            permissions |= permission;
    if (permissions & QFileDevice::ReadOwner)
        permissions |= QFileDevice::ReadUser;
    if (permissions & QFileDevice::WriteOwner)
        permissions |= QFileDevice::WriteUser;
    return permissions;
}

// A temporary name in the target's folder (same file system, so the final
// rename replaces the target in one step).
QString reserveTemporaryPath(const QString& target, QString& error)
{
    const QFileInfo info(target);
    QTemporaryFile reserved(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                            QStringLiteral(".XXXXXX.part"));
    reserved.setAutoRemove(false);
    if (!reserved.open()) {
        error = reserved.errorString();
        return {};
    }
    return reserved.fileName();
}

QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Shortest text that reads back as the same double, always with a point.
void appendNumber(QByteArray& out, double value)
{
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec == std::errc())
        out.append(buffer, int(end - buffer));
}

// The two table formats behind one small interface.
class TableSink
{
public:
    virtual ~TableSink() = default;
    virtual bool addRow(const QString& date, const QString& time, const RowValues& values) = 0;
    // Finishes the file; false with error set when it could not be written.
    virtual bool finish() = 0;
    Result error;
};

// The sheet's rows as SpreadsheetML, in the shapes libxlsxwriter writes them
// (inline strings, numbers without a style), but numbers as the shortest text
// that reads back as the same double (libxlsxwriter formats each through
// printf's "%.16G", most of an export's time, and 70.9 comes out as
// "70.90000000000001").
class SheetRowXml
{
public:
    SheetRowXml()
    {
        for (int c = 0; c < valueColumns + 2; ++c)
            m_columnNames[std::size_t(c)] = columnName(c);
        m_xml.reserve(4096);
    }
    std::string_view row(lxw_row_t row, std::string_view date, std::string_view time, const RowValues& values)
    {
        char rowText[16];
        const auto [rowEnd, ec] = std::to_chars(rowText, rowText + sizeof rowText, row + 1);
        const std::string_view rowNumber(rowText, ec == std::errc() ? std::size_t(rowEnd - rowText) : 0);
        m_xml.clear();
        m_xml.append("<row r=\"").append(rowNumber).append("\">");
        const auto openCell = [&](int column) {
            m_xml.append("<c r=\"").append(m_columnNames[std::size_t(column)]).append(rowNumber).append("\"");
        };
        const std::string_view texts[] = {date, time};
        for (int c = 0; c < 2; ++c) {
            openCell(c);
            m_xml.append(" t=\"inlineStr\"><is><t>");
            appendEscaped(texts[c]);
            m_xml.append("</t></is></c>");
        }
        for (int k = 0; k < valueColumns; ++k) {
            openCell(k + 2);
            m_xml.append("><v>");
            char value[32];
            const auto [end, error] = std::to_chars(value, value + sizeof value, values[std::size_t(k)]);
            if (error == std::errc())
                m_xml.append(value, std::size_t(end - value));
            m_xml.append("</v></c>");
        }
        m_xml.append("</row>");
        return m_xml;
    }

private:
    // "A", "B", ... "Z", "AA", ...
    static std::string columnName(int column)
    {
        std::string name;
        for (++column; column > 0; column = (column - 1) / 26)
            name.insert(name.begin(), char('A' + (column - 1) % 26));
        return name;
    }
    void appendEscaped(std::string_view text)
    {
        for (const char c : text) {
            switch (c) {
            case '&':
                m_xml.append("&amp;");
                break;
            case '<':
                m_xml.append("&lt;");
                break;
            case '>':
                m_xml.append("&gt;");
                break;
            default:
                m_xml.push_back(c);
            }
        }
    }

    std::array<std::string, valueColumns + 2> m_columnNames;
    std::string m_xml;
};

// In constant-memory mode libxlsxwriter keeps the row being written and
// streams each finished row into the sheet's temporary file, which becomes the
// sheet's data when the workbook is closed. The header row is written through
// the library and flushed; the data rows then go into that stream directly,
// except each sheet's last row, which goes through the library again so that
// the sheet's dimension (first to last row and column) is the library's own.
class XlsxSink : public TableSink
{
public:
    XlsxSink(const QString& path, std::size_t rowsPerSheet)
        : m_dataRowsPerSheet(lxw_row_t(std::clamp<std::size_t>(rowsPerSheet, 2, sheetRowLimit) - 1))
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        m_path = QFile::encodeName(path);
        m_workbook = workbook_new_opt(m_path.constData(), &options);
        if (m_workbook)
            addSheet();
    }
    ~XlsxSink() override
    {
        if (!m_workbook)
            return;
        // Freed unfinished (cancelled or failed), the library leaves each
        // sheet's row stream open: an open descriptor and a deleted temporary
        // file as large as the rows written, held until the program ends.
        for (lxw_worksheet* sheet : m_sheets)
            if (sheet->optimize_tmpfile) {
                std::fclose(sheet->optimize_tmpfile);
                sheet->optimize_tmpfile = nullptr;
            }
        lxw_workbook_free(m_workbook);
    }
    bool addRow(const QString& date, const QString& time, const RowValues& values) override
    {
        if (!m_sheet)
            return false;
        if (m_pending) {
            if (m_row == m_dataRowsPerSheet) {
                if (!(writePendingThroughLibrary() && rowsStored() && addSheet()))
                    return false;
            } else if (!writePendingDirectly()) {
                return false;
            }
        }
        ++m_row;
        if (date != m_date) {
            m_date = date;
            m_dateUtf8 = date.toUtf8();
        }
        m_timeUtf8 = time.toUtf8();
        m_values = values;
        m_pending = true;
        return m_row % checkEvery != 0 || rowsStored();
    }
    bool finish() override
    {
        if (!m_sheet || (m_pending && !writePendingThroughLibrary()) || !rowsStored())
            return false;
        lxw_workbook* workbook = m_workbook;
        m_workbook = nullptr; // workbook_close frees it whatever it returns
        if (const lxw_error e = workbook_close(workbook))
            return fail(QString::fromUtf8(lxw_strerror(e)));
        return true;
    }

private:
    static constexpr lxw_row_t checkEvery = 1000;
    static constexpr std::size_t streamBufferSize = 1 << 20;

    // The next sheet ("Table1", "Table2", ...) with its header row.
    bool addSheet()
    {
        const QByteArray name = "Table" + QByteArray::number(qsizetype(m_sheets.size()) + 1);
        m_sheet = workbook_add_worksheet(m_workbook, name.constData());
        if (!m_sheet)
            return fail(QStringLiteral("Nie można utworzyć arkusza."));
        m_sheets.push_back(m_sheet);
        if (FILE* rows = m_sheet->optimize_tmpfile) {
            // Rows go out in large writes (the stream is not used yet; the
            // buffer outlives it, as the stream is closed with the workbook).
            m_streamBuffers.push_back(std::make_unique<char[]>(streamBufferSize));
            std::setvbuf(rows, m_streamBuffers.back().get(), _IOFBF, streamBufferSize);
        }
        m_row = 0;
        const QStringList names = columnNames();
        for (int c = 0; c < names.size(); ++c)
            writeText(0, c, names[c].toUtf8());
        // Into the stream, ahead of the rows written directly.
        if (m_sheet->optimize_tmpfile)
            lxw_worksheet_write_single_row(m_sheet);
        return true;
    }

    bool writePendingDirectly()
    {
        m_pending = false;
        FILE* rows = m_sheet->optimize_tmpfile;
        if (!rows)
            return writeThroughLibrary();
        const std::string_view xml =
            m_rowXml.row(m_row, {m_dateUtf8.constData(), std::size_t(m_dateUtf8.size())},
                         {m_timeUtf8.constData(), std::size_t(m_timeUtf8.size())}, m_values);
        errno = 0;
        if (std::fwrite(xml.data(), 1, xml.size(), rows) == xml.size())
            return true;
        return fail(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)));
    }
    bool writePendingThroughLibrary()
    {
        m_pending = false;
        return writeThroughLibrary();
    }
    bool writeThroughLibrary()
    {
        writeText(m_row, 0, m_dateUtf8);
        writeText(m_row, 1, m_timeUtf8);
        for (int k = 0; k < valueColumns; ++k)
            if (const lxw_error e = worksheet_write_number(m_sheet, m_row, lxw_col_t(k + 2),
                                                           m_values[std::size_t(k)], nullptr))
                return fail(QString::fromUtf8(lxw_strerror(e)));
        return true;
    }

    // In constant-memory mode the library streams finished rows into a
    // temporary file and does not check those writes (a full disk would give
    // a truncated sheet in a workbook reported as written): check the stream.
    bool rowsStored()
    {
        FILE* rows = m_sheet->optimize_tmpfile;
        if (!rows)
            return true;
        errno = 0;
        if (std::fflush(rows) == 0 && !std::ferror(rows))
            return true;
        return fail(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)));
    }

    bool fail(const QString& description)
    {
        error.errorSource = QStringLiteral("libxlsxwriter");
        error.errorDescription = description;
        m_sheet = nullptr;
        return false;
    }
    void writeText(lxw_row_t row, int column, const QByteArray& utf8)
    {
        worksheet_write_string(m_sheet, row, lxw_col_t(column), utf8.constData(), nullptr);
    }

    QByteArray m_path;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_row_t m_row = 0; // of the current sheet: the pending row, when there is one
    lxw_row_t m_dataRowsPerSheet;
    std::vector<lxw_worksheet*> m_sheets;
    std::vector<std::unique_ptr<char[]>> m_streamBuffers; // one per sheet's row stream
    // The row given last, written when the next comes (or the table ends).
    bool m_pending = false;
    QString m_date;
    QByteArray m_dateUtf8, m_timeUtf8;
    RowValues m_values{};
    SheetRowXml m_rowXml;
};

class CsvSink : public TableSink
{
public:
    explicit CsvSink(const QString& path) : m_file(path)
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            fail();
            return;
        }
        QStringList header;
        for (const QString& name : columnNames())
            header << csvField(name);
        m_line = header.join(QLatin1Char(',')).toUtf8() + "\r\n";
        flushLine();
    }
    bool addRow(const QString& date, const QString& time, const RowValues& values) override
    {
        if (!m_file.isOpen())
            return false;
        m_line = csvField(date).toUtf8() + ',' + csvField(time).toUtf8();
        for (const double value : values) {
            m_line += ',';
            appendNumber(m_line, value);
        }
        m_line += "\r\n";
        return flushLine();
    }
    bool finish() override
    {
        if (!m_file.isOpen())
            return false;
        if (!m_file.flush() || m_file.error() != QFileDevice::NoError)
            return fail();
        m_file.close();
        return m_file.error() == QFileDevice::NoError || fail();
    }

private:
    bool flushLine()
    {
        if (m_file.write(m_line) != m_line.size())
            return fail();
        return true;
    }
    bool fail()
    {
        error.errorSource = QStringLiteral("system");
        error.errorDescription = m_file.errorString();
        m_file.close();
        return false;
    }

    QFile m_file;
    QByteArray m_line;
};

} // namespace

QStringList columnNames()
{
    QStringList names{QStringLiteral("Data"), QStringLiteral("Czas")};
    for (int k = 0; k < valueColumns; ++k) {
        const auto& info = dll_nMeasureInfo[k];
        names << QString::fromUtf16(info.szDescription) + QStringLiteral(", ") +
                     QString::fromUtf16(info.szUnit);
    }
    return names;
}

double physicalValue(int quantity, std::int32_t raw)
{
    const unsigned divisor =
        quantity >= 0 && quantity < valueColumns ? dll_nMeasureInfo[quantity].nDivisor : 1;
    return double(raw) / double(divisor != 0 ? divisor : 1);
}

void fillRow(const _tagSTRUCT_DATA& record, QString& time, RowValues& values)
{
    time = recordings::recordTimeText(record);
    for (int k = 0; k < valueColumns; ++k)
        values[std::size_t(k)] = physicalValue(k, record.nValue[std::size_t(k)]);
}

Format formatOfPath(const QString& path)
{
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? Format::Csv : Format::Xlsx;
}

Result writeTable(const QString& path, const Rows& rows, const std::atomic<bool>& cancel,
                  const std::function<void(std::size_t)>& progress)
{
    RowStream stream;
    stream.expected = rows.count;
    stream.next = [&rows, i = std::size_t(0)](QString& date, QString& time, RowValues& values) mutable {
        if (i == rows.count)
            return false;
        date = rows.date;
        rows.fill(i++, time, values);
        return true;
    };
    return writeTable(path, stream, cancel, progress);
}

Result writeTable(const QString& path, const RowStream& rows, const std::atomic<bool>& cancel,
                  const std::function<void(std::size_t)>& progress, std::size_t rowsPerSheet)
{
    const CLocaleForThisThread cLocale;
    Result result;
    QString reserveError;
    const QString temporary = reserveTemporaryPath(path, reserveError);
    if (temporary.isEmpty()) {
        result.errorSource = QStringLiteral("system");
        result.errorDescription = reserveError;
        return result;
    }

    std::unique_ptr<TableSink> sink;
    if (formatOfPath(path) == Format::Csv)
        sink = std::make_unique<CsvSink>(temporary);
    else
        sink = std::make_unique<XlsxSink>(temporary, rowsPerSheet);

    bool ok = sink->error.errorDescription.isEmpty();
    QString date, time;
    RowValues values{};
    while (ok) {
        if (cancel.load(std::memory_order_relaxed)) {
            sink.reset();
            QFile::remove(temporary);
            result.outcome = Outcome::Cancelled;
            return result;
        }
        if (!rows.next(date, time, values))
            break;
        ok = sink->addRow(date, time, values);
        ++result.rows;
        if (progress && result.rows % progressEvery == 0)
            progress(result.rows);
    }
    ok = ok && sink->finish();
    if (ok) {
        QFile::setPermissions(temporary, newFilePermissions());
        if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
            result.errorSource = QStringLiteral("system");
            result.errorDescription = QString::fromLocal8Bit(std::strerror(errno));
            ok = false;
        }
    } else {
        result.errorSource = sink->error.errorSource;
        result.errorDescription = sink->error.errorDescription;
    }
    sink.reset();
    if (!ok) {
        QFile::remove(temporary);
        return result;
    }
    if (progress)
        progress(result.rows);
    result.outcome = Outcome::Written;
    return result;
}

} // namespace exporting

// libxlsxwriter packs the workbook through minizip at zlib's default level,
// and deflating the sheet takes most of an export's time. It has no setting
// for the level, so this program's definition of minizip's entry call (found
// before minizip's own by the dynamic linker, as libxlsxwriter calls it through
// its import table) passes the fastest level on to minizip: a valid workbook,
// a fifth larger, written in about half the time. Only libxlsxwriter uses
// minizip here.
extern "C" int zipOpenNewFileInZip4_64(void* file, const char* filename, const void* fileInfo,
                                       const void* extraLocal, unsigned extraLocalSize,
                                       const void* extraGlobal, unsigned extraGlobalSize, const char* comment,
                                       int method, int level, int raw, int windowBits, int memLevel,
                                       int strategy, const char* password, unsigned long crcForCrypting,
                                       unsigned long versionMadeBy, unsigned long flagBase, int zip64)
{
    using Open = decltype(&zipOpenNewFileInZip4_64);
    static const Open minizip = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "zipOpenNewFileInZip4_64"));
    constexpr int zipInternalError = -104; // minizip's ZIP_INTERNALERROR
    if (!minizip)
        return zipInternalError;
    constexpr int fastest = 1; // zlib's Z_BEST_SPEED
    if (method != 0 && level != 0)
        level = fastest;
    return minizip(file, filename, fileInfo, extraLocal, extraLocalSize, extraGlobal, extraGlobalSize,
                   comment, method, level, raw, windowBits, memLevel, strategy, password, crcForCrypting,
                   versionMadeBy, flagBase, zip64);
}
