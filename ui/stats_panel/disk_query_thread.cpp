#include "ui/stats_panel/disk_query_thread.h"

#include <utility>

#include "filesys/platform.h"

namespace qv {

TDiskQueryThread::TDiskQueryThread(std::shared_ptr<Platform> platform, Deliver deliver,
                                   CameBack came_back)
    : platform_(std::move(platform)),
      deliver_(std::move(deliver)),
      came_back_(std::move(came_back)) {}

bool TDiskQueryThread::Close() { return thread_.Close(); }

void TDiskQueryThread::Run(uint64_t serial, std::unique_ptr<TDiskInfoQuery> query) {
  std::shared_ptr<TDiskInfoQuery> shared_query = std::move(query);
  thread_.Run(
      {[platform = platform_, shared_query] { shared_query->Run(*platform); },
       [deliver = deliver_, came_back = came_back_, serial, shared_query](bool left_behind) {
         if (left_behind) {
           came_back(shared_query->info());
         } else {
           deliver(serial, shared_query->info());
         }
       }});
}

}  // namespace qv
