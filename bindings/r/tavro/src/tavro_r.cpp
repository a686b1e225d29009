// The R side of the reading library: a container's tables as data frames.
#include <Rcpp.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "tavro/tavro.h"

namespace {

template <class T>
SEXP integers(const void* data, size_t rows) {
    const T* v = static_cast<const T*>(data);
    Rcpp::IntegerVector out(rows);
    for (size_t i = 0; i < rows; ++i) {
        out[i] = static_cast<int>(v[i]);
    }
    return out;
}

template <class T>
SEXP doubles(const void* data, size_t rows) {
    const T* v = static_cast<const T*>(data);
    Rcpp::NumericVector out(rows);
    for (size_t i = 0; i < rows; ++i) {
        out[i] = static_cast<double>(v[i]);
    }
    return out;
}

// Nanoseconds since 1970 as POSIXct seconds; whole seconds and the fraction
// are converted apart so that the seconds keep every digit.
SEXP times(const void* data, size_t rows) {
    const int64_t* v = static_cast<const int64_t*>(data);
    Rcpp::NumericVector out(rows);
    for (size_t i = 0; i < rows; ++i) {
        if (v[i] == tavro::kNoTime) {
            out[i] = NA_REAL;
        } else {
            out[i] = static_cast<double>(v[i] / 1000000000) +
                     static_cast<double>(v[i] % 1000000000) / 1e9;
        }
    }
    out.attr("class") = Rcpp::CharacterVector{"POSIXct", "POSIXt"};
    out.attr("tzone") = "UTC";
    return out;
}

SEXP texts(const void* data, size_t rows) {
    const std::string* v = static_cast<const std::string*>(data);
    Rcpp::CharacterVector out(rows);
    for (size_t i = 0; i < rows; ++i) {
        out[i] = Rf_mkCharLenCE(v[i].data(), static_cast<int>(v[i].size()), CE_UTF8);
    }
    return out;
}

// u32 may exceed R's integers and i64 always can: both go to double.
SEXP vector_of(const tavro::Column& c) {
    switch (c.type) {
        case tavro::ColumnType::u8:
            return integers<uint8_t>(c.data, c.rows);
        case tavro::ColumnType::i8:
            return integers<int8_t>(c.data, c.rows);
        case tavro::ColumnType::u16:
            return integers<uint16_t>(c.data, c.rows);
        case tavro::ColumnType::i16:
            return integers<int16_t>(c.data, c.rows);
        case tavro::ColumnType::i32:
            return integers<int32_t>(c.data, c.rows);
        case tavro::ColumnType::u32:
            return doubles<uint32_t>(c.data, c.rows);
        case tavro::ColumnType::i64:
            return doubles<int64_t>(c.data, c.rows);
        case tavro::ColumnType::f64:
            return doubles<double>(c.data, c.rows);
        case tavro::ColumnType::time_ns:
            return times(c.data, c.rows);
        case tavro::ColumnType::text:
            return texts(c.data, c.rows);
    }
    Rcpp::stop("tavro: unknown column type");
}

// A data frame of the columns as they are named, without R's name checks.
Rcpp::List data_frame(const std::vector<tavro::Column>& columns, size_t rows) {
    Rcpp::List df(columns.size());
    Rcpp::CharacterVector names(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        df[i] = vector_of(columns[i]);
        names[i] = columns[i].name;
    }
    df.attr("names") = names;
    df.attr("class") = "data.frame";
    df.attr("row.names") = Rcpp::IntegerVector{NA_INTEGER, -static_cast<int>(rows)};
    return df;
}

template <class Table>
Rcpp::List frame(const Table& t) {
    return data_frame(t.columns(), t.rows());
}

Rcpp::List tag_list(const tavro::Tag& tag) {
    Rcpp::CharacterVector names(tag.settings.size()), values(tag.settings.size());
    for (size_t i = 0; i < tag.settings.size(); ++i) {
        names[i] = tag.settings[i].first;
        values[i] = tag.settings[i].second;
    }
    Rcpp::List settings =
        Rcpp::List::create(Rcpp::Named("name") = names, Rcpp::Named("value") = values);
    settings.attr("class") = "data.frame";
    settings.attr("row.names") =
        Rcpp::IntegerVector{NA_INTEGER, -static_cast<int>(tag.settings.size())};

    return Rcpp::List::create(
        Rcpp::Named("gps") = frame(tag.gps), Rcpp::Named("acc_bursts") = frame(tag.acc_bursts),
        Rcpp::Named("acc") = frame(tag.acc), Rcpp::Named("orientation") = frame(tag.orientation),
        Rcpp::Named("events") = frame(tag.events),
        Rcpp::Named("ecg_bursts") = frame(tag.ecg_bursts), Rcpp::Named("ecg") = frame(tag.ecg),
        Rcpp::Named("settings") = settings, Rcpp::Named("info") = tag.info,
        Rcpp::Named("warnings") = Rcpp::wrap(tag.warnings),
        Rcpp::Named("last_download_complete") = tag.last_download_complete,
        Rcpp::Named("layout") = tag.layout);
}

}  // namespace

// Reads the container; on failure returns list(error = text, code = exit
// code) for the R side to raise, so that no C++ exception crosses into R.
// [[Rcpp::export(.read_container)]]
Rcpp::List read_container(std::string path, Rcpp::NumericVector tags, unsigned sensors) {
    tavro::ReadOptions options;
    for (double t : tags) {
        options.tags.push_back(static_cast<uint32_t>(t));
    }
    options.sensors = sensors;
    tavro::Container c;
    try {
        c = tavro::read(path, options);
    } catch (const tavro::Error& e) {
        return Rcpp::List::create(Rcpp::Named("error") = std::string(e.what()),
                                  Rcpp::Named("code") = e.code());
    } catch (const std::exception& e) {
        return Rcpp::List::create(Rcpp::Named("error") = std::string(e.what()),
                                  Rcpp::Named("code") = NA_INTEGER);
    }
    Rcpp::List out(c.tags.size());
    Rcpp::CharacterVector names(c.tags.size());
    for (size_t i = 0; i < c.tags.size(); ++i) {
        out[i] = tag_list(c.tags[i]);
        names[i] = "tag" + std::to_string(c.tags[i].number);
    }
    out.attr("names") = names;
    Rcpp::List result = Rcpp::List::create(Rcpp::Named("tags") = out, Rcpp::Named("kind") = c.kind,
                                           Rcpp::Named("console") = c.console,
                                           Rcpp::Named("leap_source") = c.leap_source);
    if (c.kind == "voltage logger") {
        result["voltages"] = frame(c.voltages);
    }
    return result;
}
