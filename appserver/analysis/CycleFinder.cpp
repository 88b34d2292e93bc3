#include "CycleFinder.h"

#include <QHash>
#include <algorithm>

namespace {

// Tarjan's strongly connected components, without recursion: a cycle may be a million
// members long. Returns the component of every node.
QVector<int> components(const QVector<QVector<int>> &next)
{
    const int n = int(next.size());
    QVector<int> index(n, -1), low(n, 0), component(n, -1);
    QVector<bool> onStack(n, false);
    QVector<int> stack;
    int counter = 0, found = 0;
    struct Frame
    {
        int node;
        int edge;
    };
    QVector<Frame> calls;
    for (int root = 0; root < n; ++root) {
        if (index[root] >= 0) continue;
        calls.push_back({root, 0});
        index[root] = low[root] = counter++;
        stack.push_back(root);
        onStack[root] = true;
        while (!calls.isEmpty()) {
            Frame &frame = calls.back();
            const int v = frame.node;
            if (frame.edge < next[v].size()) {
                const int w = next[v][frame.edge++];
                if (index[w] < 0) {
                    index[w] = low[w] = counter++;
                    stack.push_back(w);
                    onStack[w] = true;
                    calls.push_back({w, 0});
                } else if (onStack[w]) {
                    low[v] = std::min(low[v], index[w]);
                }
                continue;
            }
            if (low[v] == index[v]) {
                int w;
                do {
                    w = stack.takeLast();
                    onStack[w] = false;
                    component[w] = found;
                } while (w != v);
                ++found;
            }
            calls.pop_back();
            if (!calls.isEmpty()) {
                const int parent = calls.back().node;
                low[parent] = std::min(low[parent], low[v]);
            }
        }
    }
    return component;
}

} // namespace

CycleFinder::CycleFinder(const QVector<Edge> &edges)
{
    QStringList names;
    for (const Edge &e : edges)
        names << e.first;
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    QHash<QString, int> node;
    for (int i = 0; i < names.size(); ++i)
        node.insert(names[i], i);

    QVector<QVector<int>> next(names.size());
    for (const Edge &e : edges) {
        const auto parent = node.constFind(e.second);
        if (parent != node.constEnd()) next[node.value(e.first)].push_back(*parent);
    }
    for (QVector<int> &targets : next) {
        std::sort(targets.begin(), targets.end());
        targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    }

    const QVector<int> component = components(next);
    QVector<int> size(names.size(), 0);
    for (int c : component)
        ++size[c];
    const auto cyclic = [&](int v) { return size[component[v]] > 1 || next[v].contains(v); };
    QVector<bool> counted(names.size(), false);
    int first = -1;
    for (int v = 0; v < names.size(); ++v) {
        if (!cyclic(v) || counted[component[v]]) continue;
        counted[component[v]] = true;
        ++m_count;
        if (first < 0) first = v;
    }
    if (first < 0) return;

    // From the first member, follow parents inside its component until one repeats: the
    // stretch from that member back to itself is a cycle.
    QHash<int, int> seenAt;
    QVector<int> path;
    int v = first;
    while (!seenAt.contains(v)) {
        seenAt.insert(v, int(path.size()));
        path.push_back(v);
        for (int w : next[v]) {
            if (component[w] == component[v]) {
                v = w;
                break;
            }
        }
    }
    for (int i = seenAt.value(v); i < path.size(); ++i)
        m_example << names[path[i]];
    m_example << names[v];
}
