/**
 * A Java sample.
 * @author someone
 */
public class Sample {
    private static final int LIMIT = 10;

    public static void main(String[] args) {
        String s = "text";
        if (args.length > 0 && s != null) {
            System.out.println(s + LIMIT);
        }
    }
}
