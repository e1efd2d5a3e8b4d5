#pragma once
#include <ostream>
#include <string>
#include <string_view>
#include "engine/core/tables.h"
namespace quillon::engine {
struct FileNameParts {
    std::string name;       // without directory and extension
    std::string extension;  // with its leading ".", empty when there is none
};
FileNameParts split_file_name(std::string_view path);
void write_vote_list(std::ostream& out, const EngineTables& tables);
// Writes the result file at tables.result_path (CR LF lines), never leaving a half file.
void QLN_save_results(const EngineTables& tables, const std::string& cgp_file_path,
                      const std::string& data_path, int k, const std::string& function_label,
                      const std::string& start_date, const std::string& start_time,
                      const std::string& end_date, const std::string& end_time, int subset_items = -1);
// `subset_items`: how many items the run's subsets are drawn from (the data, or
// the mechanisms of a focal run, two data each); -1 for the data.  With fewer
// than k no subset exists and nothing is written.
// Removes the temporary files that a run killed while writing this result left
// in its folder (".<name>.qlmain-<pid>-<n>.tmp" of a process that no longer exists).
void remove_stale_temporaries(const std::string& result_path);
}  // namespace quillon::engine
