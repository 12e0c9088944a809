// Grid export to .xlsx through libxlsxwriter.
#include "kit/data/excelexport.h"

#include "kit/data/grid.h"
#include "kit/data/numberformat.h"
#include "kit/ui/modal.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableView>

#include <xlsxwriter.h>

#include <map>
#include <string>

namespace kit {

namespace {

// Excel counts days from 1899-12-30, as our wire dates do.
const qint64 kExcelDayZero = QDate(1899, 12, 30).toJulianDay();

QString reasonText(lxw_error e)
{
    switch (e) {
    case LXW_ERROR_CREATING_XLSX_FILE:
        return QStringLiteral("Dosya oluşturulamadı. Klasörün var olduğunu, yazma izninizin olduğunu ve dosyanın "
                              "başka bir programda açık olmadığını kontrol edin.");
    case LXW_ERROR_CREATING_TMPFILE: return QStringLiteral("Geçici dosya oluşturulamadı.");
    case LXW_ERROR_MEMORY_MALLOC_FAILED: return QStringLiteral("Bellek yetersiz.");
    default: return QStringLiteral("Yazma hatası (kod %1).").arg(int(e));
    }
}

// The workbook's cell formats, made once per pattern.
class Formats {
public:
    explicit Formats(lxw_workbook* wb) : wb_(wb)
    {
        header_ = workbook_add_format(wb);
        format_set_bold(header_);
        format_set_bg_color(header_, 0xE4E7EC);
        format_set_border(header_, LXW_BORDER_THIN);
        format_set_border_color(header_, 0xB8BCC4);
        format_set_align(header_, LXW_ALIGN_CENTER);
        format_set_align(header_, LXW_ALIGN_VERTICAL_CENTER);
        format_set_text_wrap(header_);
        group_ = workbook_add_format(wb);
        format_set_bold(group_);
        format_set_bg_color(group_, 0xE2E6EC);
    }
    lxw_format* header() const { return header_; }
    lxw_format* group() const { return group_; }

    // A number format; bold for footer cells.
    lxw_format* number(const std::string& pattern, bool bold)
    {
        const std::string key = pattern + (bold ? "|b" : "");
        auto it = cache_.find(key);
        if (it != cache_.end())
            return it->second;
        lxw_format* f = workbook_add_format(wb_);
        if (!pattern.empty())
            format_set_num_format(f, pattern.c_str());
        if (bold) {
            format_set_bold(f);
            format_set_top(f, LXW_BORDER_THIN);
        }
        cache_.emplace(key, f);
        return f;
    }

private:
    lxw_workbook* wb_;
    lxw_format* header_;
    lxw_format* group_;
    std::map<std::string, lxw_format*> cache_;
};

// The Excel form of a display pattern: grouping and the decimal count carry over.
std::string excelPattern(const QString& pattern)
{
    const NumberFormat nf(pattern);
    std::string s = nf.grouping() ? "#,##0" : "0";
    if (nf.decimals() > 0)
        s += "." + std::string(std::size_t(nf.decimals()), '0');
    return s;
}

std::string utf8(const QString& s) { return s.toStdString(); }

} // namespace

QString excelFileName(const QString& chosen)
{
    const QFileInfo fi(chosen);
    const QString suffix = fi.suffix().toLower();
    if (suffix == u"xlsx")
        return chosen;
    if (suffix == u"xls")
        return chosen.left(chosen.size() - 3) + QStringLiteral("xlsx");
    return chosen + QStringLiteral(".xlsx");
}

bool writeExcel(const Grid& grid, const QString& path, QString* error)
{
    const QByteArray file = QFile::encodeName(QDir::toNativeSeparators(path));
    const QByteArray tmp = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options opts{};
    opts.constant_memory = LXW_TRUE; // rows stream out in order, so a long grid needs little memory
    opts.tmpdir = const_cast<char*>(tmp.constData());
    lxw_workbook* wb = workbook_new_opt(file.constData(), &opts);
    if (!wb) {
        if (error)
            *error = reasonText(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return false;
    }
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Sayfa1");
    Formats fmt(wb);
    const GridModel* m = grid.model();
    const Table* t = m->table();
    const auto cols = grid.visibleColumns();
    const QHeaderView* header = grid.view()->horizontalHeader();

    for (std::size_t i = 0; i < cols.size(); ++i) {
        const int px = std::max(header->sectionSize(cols[i]), 24);
        worksheet_set_column_pixels(ws, lxw_col_t(i), lxw_col_t(i), std::uint32_t(px), nullptr);
    }
    worksheet_freeze_panes(ws, 1, 0);
    lxw_row_t row = 0;
    for (std::size_t i = 0; i < cols.size(); ++i)
        worksheet_write_string(ws, row, lxw_col_t(i), utf8(grid.column(cols[i]).shownCaption()).c_str(), fmt.header());
    ++row;

    auto writeSummaries = [&](const std::vector<SummaryDef>& defs, auto valueOf) {
        for (std::size_t i = 0; i < cols.size(); ++i) {
            for (std::size_t k = 0; k < defs.size(); ++k) {
                if (m->columnByKey(defs[k].column) != cols[i])
                    continue;
                const QVariant v = valueOf(int(k));
                if (!v.isValid())
                    continue;
                std::string pattern = "0";
                if (defs[k].kind != Summary::Count) {
                    if (!defs[k].format.isEmpty()) {
                        pattern = excelPattern(defs[k].format);
                    } else {
                        const int fi = m->fieldOf(cols[i]);
                        const QString df = fi >= 0 ? t->field(fi).displayFormat() : QString();
                        pattern = excelPattern(df.isEmpty() ? QString::fromUtf16(kAmountPattern) : df);
                    }
                }
                worksheet_write_number(ws, row, lxw_col_t(i), v.toDouble(), fmt.number(pattern, true));
                break; // one value per cell; further summaries of the column share the cell's place
            }
        }
    };

    const auto layout = m->expandedLayout();
    for (const auto& lr : layout) {
        if (lr.kind == RowKind::Group) {
            const std::string text = utf8(QString(lr.level * 4, u' ') + m->groupTextOf(lr.index));
            worksheet_write_string(ws, row, 0, text.c_str(), fmt.group());
            for (std::size_t i = 1; i < cols.size(); ++i)
                worksheet_write_blank(ws, row, lxw_col_t(i), fmt.group());
            ++row;
            continue;
        }
        if (lr.kind == RowKind::GroupFooter) {
            writeSummaries(m->groupSummaries(), [&](int k) { return m->groupValueOf(lr.index, k); });
            ++row;
            continue;
        }
        const int dr = lr.index;
        for (std::size_t i = 0; i < cols.size(); ++i) {
            const int c = cols[i];
            const ColumnDef& cd = m->column(c);
            const auto col = lxw_col_t(i);
            const int fi = m->fieldOf(c);
            if (cd.editor == Editor::Picture)
                continue;
            if (cd.editor == Editor::ImageCombo || (cd.editor == Editor::CustomDraw && cd.text) || fi < 0) {
                const QString s = m->cellText(dr, c);
                if (!s.isEmpty())
                    worksheet_write_string(ws, row, col, utf8(s).c_str(), nullptr);
                continue;
            }
            if (t->isNull(dr, fi))
                continue;
            const Field& f = t->field(fi);
            switch (f.type()) {
            case FieldType::Integer:
            case FieldType::LargeInt:
                worksheet_write_number(ws, row, col, double(t->integer(dr, fi)),
                                       f.displayFormat().isEmpty() ? nullptr : fmt.number(excelPattern(f.displayFormat()), false));
                break;
            case FieldType::Float:
            case FieldType::Currency: {
                const QString df = f.displayFormat().isEmpty() && f.type() == FieldType::Currency
                                       ? QString::fromUtf16(kAmountPattern)
                                       : f.displayFormat();
                worksheet_write_number(ws, row, col, t->real(dr, fi),
                                       df.isEmpty() ? nullptr : fmt.number(excelPattern(df), false));
                break;
            }
            case FieldType::Boolean: worksheet_write_boolean(ws, row, col, t->integer(dr, fi) != 0, nullptr); break;
            case FieldType::Date:
                worksheet_write_number(ws, row, col, double(t->integer(dr, fi) - kExcelDayZero), fmt.number("dd.mm.yyyy", false));
                break;
            case FieldType::DateTime: {
                const QDateTime dt = t->value(dr, fi).toDateTime();
                const double days = double(dt.date().toJulianDay() - kExcelDayZero) +
                                    dt.time().msecsSinceStartOfDay() / 86400000.0;
                worksheet_write_number(ws, row, col, days, fmt.number("dd.mm.yyyy hh:mm:ss", false));
                break;
            }
            case FieldType::Text: {
                const auto s = t->utf8(dr, fi);
                if (!s.empty())
                    worksheet_write_string(ws, row, col, std::string(s).c_str(), nullptr);
                break;
            }
            case FieldType::Blob: break;
            }
        }
        ++row;
    }
    if (!m->footerSummaries().empty() && grid.options().showFooter)
        writeSummaries(m->footerSummaries(), [&](int k) { return m->footerValue(k); });

    const lxw_error e = workbook_close(wb);
    if (e != LXW_NO_ERROR) {
        if (error)
            *error = reasonText(e);
        return false;
    }
    return true;
}

QString saveGridAsExcel(Grid& grid, QWidget* parent)
{
    QFileDialog dlg(parent ? parent : &grid, QStringLiteral("Excel Kaydet"));
    dlg.setObjectName(QStringLiteral("excelSaveDialog"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilter(QStringLiteral("Excel (*.xls*)"));
    dlg.setDefaultSuffix(QStringLiteral("xlsx"));
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    dlg.setDirectory(QDir::homePath());
    if (execModal(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    const QString path = excelFileName(dlg.selectedFiles().first());
    QString why;
    if (!writeExcel(grid, path, &why)) {
        showError(QStringLiteral("Excel dosyası kaydedilemedi:\n%1\n\n%2").arg(QDir::toNativeSeparators(path), why),
                  parent ? parent : &grid);
        return {};
    }
    return path;
}

} // namespace kit
