// Keeps the support library non-empty while it has no other source.
namespace Orvanta::TestSupport {} // namespace Orvanta::TestSupport
