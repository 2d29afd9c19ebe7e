package sample;

import java.util.List;

public class Inventory {
    private final List<String> items;

    public Inventory(List<String> items) {
        this.items = items;
    }

    public int count() {
        return items.size();
    }

    private static <T> T first(List<T> list) {
        return list.get(0);
    }

    static class Entry {
        String name;
    }

    public interface Listener {
        void changed(String item);
    }

    enum Kind { SMALL, LARGE }
}

record Pair(String a, String b) {
}
