// The Python module's native part: tavro::read() with its tables handed over
// as NumPy arrays that share the decoded columns (no copy); the package's
// __init__.py turns them into pandas data frames.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <string>
#include <vector>

#include "tavro/tavro.h"

namespace py = pybind11;

namespace {

template <class T>
py::array shared_array(const tavro::Column& c, const py::handle& owner) {
    return py::array(py::dtype::of<T>(), {static_cast<py::ssize_t>(c.rows)},
                     {static_cast<py::ssize_t>(sizeof(T))}, c.data, owner);
}

// One column as an array whose memory stays with the decoded container
// (`owner`); text columns become lists of str.
py::object column_object(const tavro::Column& c, const py::handle& owner) {
    switch (c.type) {
        case tavro::ColumnType::u8:
            return shared_array<uint8_t>(c, owner);
        case tavro::ColumnType::i8:
            return shared_array<int8_t>(c, owner);
        case tavro::ColumnType::u16:
            return shared_array<uint16_t>(c, owner);
        case tavro::ColumnType::i16:
            return shared_array<int16_t>(c, owner);
        case tavro::ColumnType::u32:
            return shared_array<uint32_t>(c, owner);
        case tavro::ColumnType::i32:
            return shared_array<int32_t>(c, owner);
        case tavro::ColumnType::i64:
            return shared_array<int64_t>(c, owner);
        case tavro::ColumnType::f64:
            return shared_array<double>(c, owner);
        case tavro::ColumnType::time_ns:
            // kNoTime is NumPy's NaT.
            return py::array(py::dtype("datetime64[ns]"), {static_cast<py::ssize_t>(c.rows)},
                             {static_cast<py::ssize_t>(8)}, c.data, owner);
        case tavro::ColumnType::text: {
            const auto* text = static_cast<const std::string*>(c.data);
            py::list values(c.rows);
            for (size_t i = 0; i < c.rows; ++i) {
                values[i] = py::str(text[i]);
            }
            return values;
        }
    }
    throw std::logic_error("unknown column type");
}

py::dict table(const std::vector<tavro::Column>& columns, const py::handle& owner) {
    py::dict t;
    for (const tavro::Column& c : columns) {
        t[py::str(c.name)] = column_object(c, owner);
    }
    return t;
}

unsigned sensor_bits(const std::vector<std::string>& names) {
    static const struct {
        const char* name;
        unsigned bit;
    } kSensors[] = {{"gps", tavro::kGps},
                    {"acc", tavro::kAcc},
                    {"imu", tavro::kImu},
                    {"events", tavro::kEvents},
                    {"ecg", tavro::kEcg}};
    unsigned bits = 0;
    for (const std::string& n : names) {
        bool known = false;
        for (const auto& s : kSensors) {
            if (n == s.name) {
                bits |= s.bit;
                known = true;
            }
        }
        if (!known) {
            throw py::value_error("unknown sensor '" + n + "' (known: gps, acc, imu, events, ecg)");
        }
    }
    return bits;
}

py::dict read_container(const std::string& path, const std::vector<uint32_t>& tags,
                        const std::optional<std::vector<std::string>>& sensors,
                        const std::string& work_dir, const std::string& leap_seconds_list) {
    tavro::ReadOptions options;
    options.tags = tags;
    options.sensors = sensors ? sensor_bits(*sensors) : tavro::kAllSensors;
    options.work_dir = work_dir;
    options.leap_seconds_list = leap_seconds_list;
    auto container = std::make_unique<tavro::Container>();
    {
        py::gil_scoped_release unlocked;
        *container = tavro::read(path, options);
    }
    const tavro::Container& c = *container;
    // Every array keeps the container alive through this capsule.
    py::capsule owner(container.release(),
                      [](void* p) { delete static_cast<tavro::Container*>(p); });

    py::list tag_list;
    for (const tavro::Tag& t : c.tags) {
        py::dict d;
        d["number"] = t.number;
        d["layout"] = t.layout;
        d["gps"] = table(t.gps.columns(), owner);
        d["acc_bursts"] = table(t.acc_bursts.columns(), owner);
        d["acc"] = table(t.acc.columns(), owner);
        d["orientation"] = table(t.orientation.columns(), owner);
        d["events"] = table(t.events.columns(), owner);
        d["ecg_bursts"] = table(t.ecg_bursts.columns(), owner);
        d["ecg"] = table(t.ecg.columns(), owner);
        d["last_download_complete"] = t.last_download_complete;
        d["bad_units"] = t.bad_units;
        d["bytes_decoded"] = t.bytes_decoded;
        d["connect_time"] = t.connect_time;
        d["settings"] = t.settings;
        d["info"] = t.info;
        d["warnings"] = t.warnings;
        tag_list.append(d);
    }
    py::dict out;
    out["kind"] = c.kind;
    out["tags"] = tag_list;
    out["voltages"] = table(c.voltages.columns(), owner);
    out["console"] = c.console;
    out["leap_source"] = c.leap_source;
    return out;
}

}  // namespace

PYBIND11_MODULE(_tavro, m) {
    m.doc() = "Native part of tavro: containers decoded into columns.";
    static py::exception<tavro::Error> error(m, "Error");
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) {
                std::rethrow_exception(p);
            }
        } catch (const tavro::Error& e) {
            py::object type = py::reinterpret_borrow<py::object>(error.ptr());
            py::object exc = type(py::str(e.what()));
            py::setattr(exc, "code", py::int_(e.code()));
            PyErr_SetObject(error.ptr(), exc.ptr());
        }
    });
    m.def("read", &read_container, py::arg("path"), py::arg("tags"), py::arg("sensors"),
          py::arg("work_dir"), py::arg("leap_seconds_list"));
    m.attr("api_version") = tavro::kApiVersion;
    m.attr("decoder_version") = tavro::decoder_version();
}
