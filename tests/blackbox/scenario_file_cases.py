"""A scenario from the file that STORE_BRIDGE_SIM_FILE names, alone and with STORE_BRIDGE_SIM after it."""

from case import Case, no_store_calls
from lines import general_failure, product, product_list, purchase_status, query_failure

E_INVALIDARG = 0x80070057

# More than the 32,767 characters that Windows allows one environment variable.
CATALOGUE = ["9P%05d" % number for number in range(1, 1201)]

CASES = [
    # A comment line read as an item would be refused, since "# purchase" is no key.
    Case("scenario file with comments and blank lines", ["buy", "X"], purchase_status("alreadyPurchased"), 0,
         sim_file=b"# what the Store answers\n\n   \t\n  # purchase=NotPurchased\npurchase=AlreadyPurchased\n"),
    Case("scenario file with items on a line and CRLF line ends", ["products"],
         product_list([product("9A", title="One"), product("9B", title="Two", price="$1"), product("9C")]), 0,
         sim_file=b"product=9B,title=Two,price=%241;product=9A,title=One\r\nproduct=9C\r\n"),
    Case("scenario file larger than an environment variable", ["products"],
         product_list([product(store_id, title="Product " + store_id) for store_id in CATALOGUE]), 0,
         sim_file="".join("product=%s,title=Product%%20%s\n" % (store_id, store_id)
                          for store_id in CATALOGUE).encode("ascii")),
    Case("STORE_BRIDGE_SIM overrides the scenario file", ["buy", "X"], purchase_status("cancelled"), 0,
         sim_file=b"purchase=AlreadyPurchased\nafter=0\n", sim="purchase=NotPurchased"),
    Case("STORE_BRIDGE_SIM adds to the scenario file's products", ["products"],
         product_list([product("9A"), product("9B")]), 0, sim_file=b"product=9B\n", sim="product=9A"),
    Case("bad item in a scenario file", ["buy", "X"],
         general_failure('bad scenario item "after=soon": expected milliseconds, now or never'), 1,
         sim_file=b"purchase=AlreadyPurchased\nafter=soon\n", trace=no_store_calls),
    Case("scenario file that does not exist", ["buy", "X"],
         general_failure('bad scenario file "no such scenario.txt": cannot be read'), 1,
         env={"STORE_BRIDGE_SIM_FILE": "no such scenario.txt"}),
    Case("scenario file that is a folder, for a query", ["license"],
         query_failure(E_INVALIDARG, 'bad scenario file ".": cannot be read'), 1, env={"STORE_BRIDGE_SIM_FILE": "."}),
]
